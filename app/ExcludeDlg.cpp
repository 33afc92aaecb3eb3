#include "ExcludeDlg.h"

#include "ExclusionRule.h"
#include "Resource.h"
#include "ResourceString.h"
#include "StringTable.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

CExcludeDlg::CExcludeDlg(const QStringList& patterns, QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(LoadQString(IDS_EXCLUDE_TITLE));
    auto* pLayout = new QVBoxLayout(this);
    auto* pPrompt = new QLabel(LoadQString(IDS_EXCLUDE_PROMPT), this);
    pPrompt->setWordWrap(true);
    pLayout->addWidget(pPrompt);
    m_pEdit = new QPlainTextEdit(this);
    m_pEdit->setAccessibleName(LoadQString(IDS_ACC_EXCLUDE));
    m_pEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pEdit->setTabChangesFocus(true);   // Tab reaches the buttons; a pattern never holds a tab typed here
    m_pEdit->setPlainText(patterns.join(QLatin1Char('\n')));
    pLayout->addWidget(m_pEdit);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CExcludeDlg::AcceptIfNames);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    pLayout->addWidget(pButtons);
    resize(420, 300);
}

// A pattern that could never match (one with a "/") would silently match nothing: the dialog
// says so and stays open.
void CExcludeDlg::AcceptIfNames()
{
    for (const QString& pattern : Patterns()) {
        if (!ExclusionRule::Check(QFile::encodeName(pattern).toStdString())) {
            QMessageBox::warning(this, LoadQString(IDS_EXCLUDE_TITLE),
                                 QString::fromStdString(FormatString(IDS_EXCLUDE_PATH, {pattern.toStdString()})));
            return;
        }
    }
    accept();
}

QStringList CExcludeDlg::Patterns() const
{
    return PatternsFromText(m_pEdit->toPlainText());
}

QStringList CExcludeDlg::PatternsFromText(const QString& text)
{
    QStringList patterns;
    for (const std::string& pattern : ExclusionRule::PatternsFromText(QFile::encodeName(text).toStdString()))
        patterns.push_back(QFile::decodeName(QByteArray::fromStdString(pattern)));
    return patterns;
}
