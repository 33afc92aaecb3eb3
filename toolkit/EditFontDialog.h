// The font dialog of CEditableFont: Qt's own font dialog started from a font record, with a caption
// that can be set and an effects group (underline, strike-out) that can be left out.
#pragma once

#include "EditableFont.h"

#include <QFontDialog>

class CEditFontDialog : public QFontDialog {
    Q_OBJECT

public:
    // An empty caption keeps the dialog's standard one.
    CEditFontDialog(const QString& caption, const LOGFONT& logFont, QFontDialog::FontDialogOptions options,
                    bool bEffects, QWidget* pParent = nullptr);

    // The record of the font the user chose.
    LOGFONT GetLogFont() const;
};
