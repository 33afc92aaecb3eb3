#include "TemplateDialog.h"

#include "DialogIds.h"
#include "DialogTemplate.h"
#include "IconResource.h"
#include "MessageCatalogue.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>
#include <map>
#include <vector>

namespace {

const char* const kControlIdProperty = "kestrumControlId";
constexpr int kIconSize = 32; // the size of an icon shown in a dialog

// A text of template `nIDTemplate` in the user's language.
QString Text(unsigned nIDTemplate, std::string_view text)
{
    if (text.empty())
        return QString();
    const std::string_view shown = TranslateMessage(DialogTemplateContext(nIDTemplate), text);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

// value·numerator/denominator rounded half away from zero, as dialog-unit conversion does.
int MulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

// The template font ("MS Sans Serif" 8 pt) is mapped to the platform's proportional font.
QFont DialogFont()
{
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

QSize BaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return QSize((metrics.horizontalAdvance(alphabet) + 26) / 52, metrics.height());
}

bool IsButton(ControlKind kind)
{
    return kind == ControlKind::PushButton || kind == ControlKind::DefPushButton
        || kind == ControlKind::OwnerDrawButton;
}

Qt::Alignment StaticAlignment(unsigned style)
{
    const Qt::Alignment horizontal = (style & CS_CENTER) ? Qt::AlignHCenter
        : (style & CS_RIGHT)                             ? Qt::AlignRight
                                                         : Qt::AlignLeft;
    return horizontal | ((style & CS_VCENTER) ? Qt::AlignVCenter : Qt::AlignTop);
}

} // namespace

CTemplateDialog::CTemplateDialog(unsigned nIDTemplate, QWidget* pParent)
    : QDialog(pParent)
    , m_nIDTemplate(nIDTemplate)
    , m_pTemplate(FindDialogTemplate(nIDTemplate))
{
}

CTemplateDialog::CTemplateDialog(const DialogTemplate& dialogTemplate, QWidget* pParent)
    : QDialog(pParent)
    , m_nIDTemplate(dialogTemplate.id)
    , m_pTemplate(&dialogTemplate)
{
}

CTemplateDialog::~CTemplateDialog()
{
    // Bound widgets belong to whoever bound them; QObject would delete them with their parent.
    for (auto& [nId, widget] : m_boundControls)
        if (widget && widget->parent() == this)
            widget->setParent(nullptr);
}

void CTemplateDialog::BindControl(int nId, QWidget* pWidget)
{
    if (!m_bCreated && pWidget)
        m_boundControls[nId] = pWidget;
}

bool CTemplateDialog::Create()
{
    if (m_bCreated)
        return false;
    m_bCreated = true;
    if (!m_pTemplate)
        return false;
    ApplyTemplate(*m_pTemplate);
    // Qt's dialog would focus the default button when the first tab stop is another push button.
    if (OnInitDialog())
        FocusFirstTabStop();
    return true;
}

void CTemplateDialog::FocusFirstTabStop()
{
    for (QWidget* widget = nextInFocusChain(); widget && widget != this; widget = widget->nextInFocusChain()) {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() && widget->isVisibleTo(this)) {
            widget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

int CTemplateDialog::DoModal()
{
    Create();
    return exec();
}

void CTemplateDialog::EndDialog(int nResult)
{
    done(nResult);
}

QWidget* CTemplateDialog::GetDlgItem(int nId) const
{
    const auto found = m_controls.find(nId);
    return found != m_controls.end() ? found->second.data() : nullptr;
}

QLabel* CTemplateDialog::NameControl(int nId, const QString& name, const char* szLabel)
{
    QWidget* pControl = GetDlgItem(nId);
    if (!pControl)
        return nullptr;
    pControl->setAccessibleName(name);
    if (!szLabel)
        return nullptr;
    QLabel* pFound = nullptr;
    for (QLabel* pLabel : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (pLabel->text() != Text(m_nIDTemplate, szLabel))
            continue;
        pLabel->setBuddy(pControl);
        pFound = pLabel;
    }
    return pFound;
}

int CTemplateDialog::GetDlgCtrlID(const QWidget* pWidget)
{
    if (!pWidget)
        return kStaticId;
    const QVariant id = pWidget->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : kStaticId;
}

QRect CTemplateDialog::MapDialogRect(const QRect& rcDialogUnits) const
{
    const int baseX = m_sizeBaseUnits.width();
    const int baseY = m_sizeBaseUnits.height();
    return QRect(MulDiv(rcDialogUnits.x(), baseX, 4), MulDiv(rcDialogUnits.y(), baseY, 8),
                 MulDiv(rcDialogUnits.width(), baseX, 4), MulDiv(rcDialogUnits.height(), baseY, 8));
}

void CTemplateDialog::setVisible(bool bVisible)
{
    if (bVisible && !m_bCreated)
        Create();
    QDialog::setVisible(bVisible);
}

void CTemplateDialog::accept()
{
    OnOK();
}

void CTemplateDialog::reject()
{
    OnCancel();
}

bool CTemplateDialog::OnInitDialog()
{
    return true;
}

bool CTemplateDialog::OnCommand(int nId)
{
    switch (nId) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

void CTemplateDialog::OnOK()
{
    EndDialog(IDOK);
}

void CTemplateDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CTemplateDialog::ApplyTemplate(const DialogTemplate& dialogTemplate)
{
    const QFont font = DialogFont();
    setFont(font);
    m_sizeBaseUnits = BaseUnits(font);
    ApplyWindowStyle(dialogTemplate);

    QWidget* previousTabStop = nullptr;
    std::vector<QWidget*> placed;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = MakeControl(control);
        StyleControl(widget, control);
        PlaceControl(widget, control);
        placed.push_back(widget);
        if (control.nId != kStaticId)
            m_controls[control.nId] = widget;
        if (widget->focusPolicy() & Qt::TabFocus) {
            if (previousTabStop)
                QWidget::setTabOrder(previousTabStop, widget);
            previousTabStop = widget;
        }
    }

    QSize client = MapDialogRect(QRect(0, 0, dialogTemplate.cx, dialogTemplate.cy)).size();
    client.rwidth() += WidenColumnsForTexts(placed);
    if (dialogTemplate.style & DS_SIZEFRAME)
        resize(client);
    else
        setFixedSize(client);
}

void CTemplateDialog::ApplyWindowStyle(const DialogTemplate& dialogTemplate)
{
    const unsigned style = dialogTemplate.style;
    // An application window gets its own task-bar button; other dialogs stay with their owner.
    Qt::WindowFlags flags = (style & DS_APPWINDOW) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint;
    if (style & DS_CAPTION)
        flags |= Qt::WindowTitleHint;
    if (style & DS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (style & DS_MINIMIZEBOX)
        flags |= Qt::WindowMinimizeButtonHint;
    if (style & DS_MAXIMIZEBOX)
        flags |= Qt::WindowMaximizeButtonHint;
    setWindowFlags(flags);
    setWindowTitle(Text(dialogTemplate.id, dialogTemplate.caption));
}

QWidget* CTemplateDialog::MakeControl(const ControlTemplate& control)
{
    const auto bound = m_boundControls.find(control.nId);
    if (control.nId != kStaticId && bound != m_boundControls.end() && bound->second) {
        bound->second->setParent(this);
        return bound->second.data();
    }
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
    case ControlKind::OwnerDrawButton:
        return new QPushButton(this);
    case ControlKind::Static:
    case ControlKind::StaticIcon:
        return new QLabel(this);
    case ControlKind::Edit:
        return new QLineEdit(this);
    case ControlKind::ListView:
        return new QTreeWidget(this);
    }
    return new QWidget(this);
}

void CTemplateDialog::StyleControl(QWidget* pWidget, const ControlTemplate& control)
{
    const unsigned style = control.style;
    pWidget->setProperty(kControlIdProperty, control.nId);
    pWidget->setEnabled(!(style & CS_DISABLED));
    if (control.kind == ControlKind::Static || control.kind == ControlKind::StaticIcon)
        pWidget->setFocusPolicy(Qt::NoFocus);
    else
        pWidget->setFocusPolicy((style & CS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);

    if (auto* button = qobject_cast<QAbstractButton*>(pWidget)) {
        button->setText(Text(m_nIDTemplate, control.text));
        if (auto* pushButton = qobject_cast<QPushButton*>(pWidget))
            pushButton->setDefault(control.kind == ControlKind::DefPushButton);
        if (IsButton(control.kind) && control.nId != kStaticId) {
            const int nId = control.nId;
            connect(button, &QAbstractButton::clicked, this, [this, nId] { OnCommand(nId); });
        }
    } else if (auto* label = qobject_cast<QLabel*>(pWidget)) {
        if (control.kind == ControlKind::StaticIcon) {
            label->setPixmap(LoadIconResource(control.iconId).pixmap(kIconSize, kIconSize));
        } else {
            label->setTextFormat(Qt::PlainText);
            label->setText(Text(m_nIDTemplate, control.text));
            label->setAlignment(StaticAlignment(style));
            label->setWordWrap(true);
        }
    } else if (auto* edit = qobject_cast<QLineEdit*>(pWidget)) {
        edit->setText(Text(m_nIDTemplate, control.text));
        edit->setFrame(style & CS_BORDER);
        // Without a frame the text starts at the top, on the line of the label beside it.
        if (!(style & CS_BORDER))
            edit->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        edit->setReadOnly(style & CS_READONLY);
        if (style & CS_READONLY) {
            // A read-only field sits on the dialog's own background, like a label.
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
            edit->setPalette(palette);
        }
    } else if (auto* tree = qobject_cast<QTreeView*>(pWidget)) {
        tree->setRootIsDecorated(false);
        tree->setItemsExpandable(false);
        tree->setHeaderHidden(!(style & CS_REPORT));
        if (!(style & CS_BORDER))
            tree->setFrameShape(QFrame::NoFrame);
    }
}

int CTemplateDialog::WidenColumnsForTexts(const std::vector<QWidget*>& controls)
{
    // The extra pixels each right edge needs: the widest shortfall of the texts ending there.
    std::map<int, int> extraAtEdge;
    for (QWidget* pWidget : controls) {
        int nNeeded = 0;
        if (auto* button = qobject_cast<QPushButton*>(pWidget)) {
            QString text = button->text();
            text.remove(QLatin1Char('&'));
            nNeeded = button->fontMetrics().horizontalAdvance(text)
                + 2 * style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
        } else if (auto* label = qobject_cast<QLabel*>(pWidget); label && label->pixmap().isNull()) {
            nNeeded = label->fontMetrics().horizontalAdvance(label->text()) + 2 * label->margin();
        }
        const QRect rect = pWidget->geometry();
        if (nNeeded > rect.width()) {
            int& nExtra = extraAtEdge[rect.x() + rect.width()];
            nExtra = std::max(nExtra, nNeeded - rect.width());
        }
    }
    // Each widened edge moves what lies right of it and widens what spans it, as the template's
    // own geometry says; the edges are measured before anything moves.
    std::vector<QRect> rects;
    for (QWidget* pWidget : controls)
        rects.push_back(pWidget->geometry());
    std::vector<QRect> moved = rects;
    int nGrowth = 0;
    for (const auto& [nEdge, nExtra] : extraAtEdge) {
        for (std::size_t i = 0; i < rects.size(); ++i) {
            if (rects[i].x() >= nEdge)
                moved[i].translate(nExtra, 0);
            else if (rects[i].x() + rects[i].width() >= nEdge)
                moved[i].setWidth(moved[i].width() + nExtra);
        }
        nGrowth += nExtra;
    }
    for (std::size_t i = 0; i < controls.size(); ++i)
        controls[i]->setGeometry(moved[i]);
    return nGrowth;
}

void CTemplateDialog::PlaceControl(QWidget* pWidget, const ControlTemplate& control)
{
    if (control.kind == ControlKind::StaticIcon) {
        const QRect position = MapDialogRect(QRect(control.x, control.y, 0, 0));
        pWidget->setGeometry(QRect(position.topLeft(), QSize(kIconSize, kIconSize)));
    } else {
        pWidget->setGeometry(MapDialogRect(QRect(control.x, control.y, control.cx, control.cy)));
    }
    pWidget->show();
}
