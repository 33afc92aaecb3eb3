#include "EditFontDialog.h"

#include <QCheckBox>
#include <QGroupBox>

namespace {

// Qt's font dialog always shows its effects group and offers no switch for it; the group is the
// one holding the check boxes. When it is not found, it stays. The sample beside it spans the
// group's row and takes only the height the rows give it, so the group keeps its place: collapsed,
// it would leave the sample a strip too thin to show a large font.
void HideEffects(QFontDialog& dialog)
{
    for (QGroupBox* pGroup : dialog.findChildren<QGroupBox*>()) {
        if (pGroup->findChildren<QCheckBox*>().isEmpty())
            continue;
        QSizePolicy policy = pGroup->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        pGroup->setSizePolicy(policy);
        pGroup->hide();
    }
}

} // namespace

CEditFontDialog::CEditFontDialog(const QString& caption, const LOGFONT& logFont,
                                 QFontDialog::FontDialogOptions options, bool bEffects, QWidget* pParent)
    : QFontDialog(pParent)
{
    // Our own dialog, not the desktop's: only it takes a caption and can leave out the effects.
    setOptions(options | QFontDialog::DontUseNativeDialog);
    setCurrentFont(CEditableFont::QFontFromLogFont(logFont));
    if (!bEffects)
        HideEffects(*this);
    if (!caption.isEmpty())
        setWindowTitle(caption);
}

LOGFONT CEditFontDialog::GetLogFont() const
{
    return CEditableFont::LogFontFromQFont(selectedFont());
}
