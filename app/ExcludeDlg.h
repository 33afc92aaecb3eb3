// "Exclusions...": the shell patterns whose matching entries a scan leaves out, one a line.
#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

class CExcludeDlg : public QDialog {
    Q_OBJECT

public:
    CExcludeDlg(const QStringList& patterns, QWidget* pParent);

    // The patterns as edited: one a line, empty lines left out, each kept exactly as typed
    // (spaces too: a name may hold them).
    QStringList Patterns() const;
    // The same rule for text as stored or typed.
    static QStringList PatternsFromText(const QString& text);

private:
    void AcceptIfNames();

    QPlainTextEdit* m_pEdit = nullptr;
};
