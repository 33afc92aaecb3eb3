// A font the user can change through the font dialog and that survives restarts as one text value
// in the profile. The object holds the font as the record it was made from (LOGFONT), so what is
// stored is what was loaded or chosen, including fields a QFont has no room for; GetFont() turns
// the record into a QFont. It may hold no font at all: only when the owner never set one, or after
// a load or edit found nothing to replace (see LoadFromProfile). User-interface thread only.
#pragma once

#include <QFont>
#include <QFontDialog>
#include <QPalette>
#include <QString>

#include <cstdint>
#include <optional>

using COLORREF = std::uint32_t; // 0x00BBGGRR

// The stored fields of a font. Byte fields hold 0-255; the face name holds at most 31 characters.
struct LOGFONT {
    std::int32_t lfHeight = 0; // < 0: character height in pixels; > 0: cell height; 0: default
    std::int32_t lfWidth = 0;
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 0; // 100-900; 0: default
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 0;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0; // not stored: 0 after a load
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    QString lfFaceName;

    bool operator==(const LOGFONT&) const = default;
};

inline constexpr int kFaceNameLength = 31;

class CEditableFont {
public:
    CEditableFont();

    bool HasFont() const { return m_logFont.has_value(); }
    // The font to draw with; the platform's default proportional font when none is held.
    QFont GetFont() const;
    // The record of the font held, or of the platform's default font when none is held.
    LOGFONT GetLogFont() const;
    void SetFont(const QFont& font);
    void SetLogFont(const LOGFONT& logFont);
    QColor GetColor() const;

    // Reads the entry and rebuilds the font from it (see the .cpp for the text). False, changing
    // nothing, when the entry is missing or empty, or (ids) a text is not in the string table.
    bool LoadFromProfile(unsigned nIDSection, unsigned nIDEntry);
    bool LoadFromProfile(const QString& section, const QString& entry);
    // Writes the font and colour; the text form always reports true, the ids form false when a
    // text is not in the string table.
    bool SaveToProfile(unsigned nIDSection, unsigned nIDEntry) const;
    bool SaveToProfile(const QString& section, const QString& entry) const;
    // Runs the font dialog; true when the user confirmed and the font was replaced. Cancel changes
    // nothing. A caption id with no string, or an empty caption, keeps the dialog's own caption.
    bool EditFont(unsigned nIDCaption, QWidget* pParent = nullptr);
    bool EditFont(const QString& caption, QWidget* pParent = nullptr);

    // The conversions between the record, QFont and the stored text.
    static LOGFONT LogFontFromQFont(const QFont& font);
    static QFont QFontFromLogFont(const LOGFONT& logFont);
    static QString FormatFontText(const LOGFONT& logFont, COLORREF crColor);
    // Fills `logFont` (cleared first) and, when all fourteen fields were read, `crColor`. Returns
    // the number of fields read.
    static int ParseFontText(const QString& text, LOGFONT& logFont, COLORREF& crColor);

    QFontDialog::FontDialogOptions m_dwExtraFlags; // added to the dialog's options
    QPalette::ColorRole m_nColorIndex = QPalette::ButtonText; // where the first colour comes from
    COLORREF m_crColor;                                       // stored and restored with the font
    bool m_bEffects = false; // the dialog offers underline and strike-out

private:
    std::optional<LOGFONT> m_logFont; // empty: no font held
};
