#include "EditableFont.h"

#include "EditFontDialog.h"
#include "ProfileStore.h"
#include "ResourceString.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace {

// ---- How a font record maps to a QFont, in both directions -------------------------------------
// lfHeight        < 0: pixel size -lfHeight. > 0 (a cell height, which Qt cannot ask for): pixel
//                 size lfHeight. 0: the default size. Qt draws whatever size it is asked for, so
//                 a damaged value is capped at 1000 pixels in the QFont (the record keeps it).
//                 Back: minus the pixel size, a point size converted with the screen's logical
//                 resolution.
// lfWeight        the same 1-1000 scale as QFont::Weight; 0 is the normal weight. Back: weight().
// lfItalic, lfUnderline, lfStrikeOut: non-zero is on. Back: 1 or 0.
// lfPitchAndFamily low 2 bits: 1 fixed pitch. High nibble: the style hint (roman = serif, swiss =
//                 sans serif, modern = monospace, script = cursive, decorative). Back the same way.
// lfQuality       3 (non-antialiased) = NoAntialias, 4 and 5 (antialiased) = PreferAntialias.
// lfFaceName      the family; empty leaves the default family. Back: the family cut to 31
//                 characters.
// lfWidth, lfEscapement, lfOrientation, lfCharSet, lfOutPrecision, lfClipPrecision: Qt has no
// counterpart; they are kept in the record and written back as 0 from a QFont.

constexpr std::uint8_t kFixedPitch = 1;
constexpr std::uint8_t kPitchMask = 0x03;
constexpr std::uint8_t kFamilyMask = 0xF0;
constexpr std::uint8_t kNonAntialiasedQuality = 3;
constexpr std::uint8_t kAntialiasedQuality = 4;
constexpr std::uint8_t kClearTypeQuality = 5;
constexpr long long kMaxPixelSize = 1000;
constexpr double kPointsPerInch = 72.0;
constexpr double kDefaultDpi = 96.0;

struct FamilyHint {
    std::uint8_t nFamily;
    QFont::StyleHint hint; // the hint a record's family becomes
};

constexpr FamilyHint kFamilies[] = {
    {0x10, QFont::Serif}, {0x20, QFont::SansSerif}, {0x30, QFont::Monospace},
    {0x40, QFont::Cursive}, {0x50, QFont::Decorative},
};

std::uint8_t FamilyFromHint(QFont::StyleHint hint)
{
    switch (hint) {
    case QFont::Serif: return 0x10;
    case QFont::SansSerif: return 0x20;
    case QFont::TypeWriter:
    case QFont::Monospace: return 0x30;
    case QFont::Cursive: return 0x40;
    case QFont::Decorative:
    case QFont::Fantasy: return 0x50;
    default: return 0;
    }
}

QString CutFaceName(const QString& face)
{
    if (face.size() <= kFaceNameLength)
        return face;
    const bool bSplitsPair = face.at(kFaceNameLength - 1).isHighSurrogate();
    return face.left(bSplitsPair ? kFaceNameLength - 1 : kFaceNameLength);
}

int PixelHeight(const QFont& font)
{
    if (font.pixelSize() > 0)
        return font.pixelSize();
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    const double dpi = pScreen ? pScreen->logicalDotsPerInchY() : kDefaultDpi;
    return static_cast<int>(std::lround(font.pointSizeF() * dpi / kPointsPerInch));
}

QFont DefaultFont()
{
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

COLORREF ColorRefFromColor(const QColor& color)
{
    return static_cast<COLORREF>(color.red()) | (static_cast<COLORREF>(color.green()) << 8)
        | (static_cast<COLORREF>(color.blue()) << 16);
}

// ---- The stored text ---------------------------------------------------------------------------
// Twelve integers, the face name in double quotes and the colour in lowercase hexadecimal, single
// spaces between. Read with the field rules of "%d" x 12, "\"%[^\"]\"" and "%lx": whitespace
// before a number is skipped, a number needs at least one digit, the face at least one character.
// Reading stops at the first field that does not match or whose number does not fit its type.

constexpr int kIntegerFields = 12;
constexpr int kAllFields = 14;

class CFontTextReader {
public:
    explicit CFontTextReader(std::string_view text) : m_text(text) {}

    bool ReadInt(std::int32_t& nValue)
    {
        SkipSpace();
        const bool bNegative = ReadSign();
        unsigned long long nMagnitude = 0;
        if (!ReadDigits(nMagnitude, 10))
            return false;
        const unsigned long long nLimit = bNegative
            ? static_cast<unsigned long long>(std::numeric_limits<std::int32_t>::max()) + 1
            : std::numeric_limits<std::int32_t>::max();
        if (nMagnitude > nLimit)
            return false;
        nValue = bNegative ? static_cast<std::int32_t>(-static_cast<long long>(nMagnitude))
                           : static_cast<std::int32_t>(nMagnitude);
        return true;
    }

    // A double quote, one or more characters other than a double quote, and a double quote; the
    // field counts once its characters are read, even when the closing quote is missing.
    bool ReadQuoted(std::string_view& field, bool& bClosed)
    {
        SkipSpace();
        if (!ReadChar('"'))
            return false;
        const size_t nEnd = std::min(m_text.find('"', m_nPos), m_text.size());
        if (nEnd == m_nPos)
            return false;
        field = m_text.substr(m_nPos, nEnd - m_nPos);
        m_nPos = nEnd;
        bClosed = ReadChar('"');
        return true;
    }

    // Hexadecimal with an optional sign and "0x" prefix; a minus wraps as an unsigned value does.
    bool ReadHex(COLORREF& nValue)
    {
        SkipSpace();
        const bool bNegative = ReadSign();
        if (m_text.substr(m_nPos, 2) == "0x" || m_text.substr(m_nPos, 2) == "0X") {
            if (m_nPos + 2 < m_text.size() && std::isxdigit(static_cast<unsigned char>(m_text[m_nPos + 2])))
                m_nPos += 2;
        }
        unsigned long long nMagnitude = 0;
        if (!ReadDigits(nMagnitude, 16) || nMagnitude > std::numeric_limits<COLORREF>::max())
            return false;
        nValue = static_cast<COLORREF>(nMagnitude);
        if (bNegative)
            nValue = static_cast<COLORREF>(0u - nValue);
        return true;
    }

private:
    void SkipSpace()
    {
        while (m_nPos < m_text.size() && std::string_view(" \t\n\v\f\r").find(m_text[m_nPos]) != std::string_view::npos)
            ++m_nPos;
    }

    bool ReadChar(char c)
    {
        if (m_nPos >= m_text.size() || m_text[m_nPos] != c)
            return false;
        ++m_nPos;
        return true;
    }

    bool ReadSign() { return !ReadChar('+') && ReadChar('-'); }

    // At least one digit; false also when the value does not fit 64 bits.
    bool ReadDigits(unsigned long long& nValue, int nBase)
    {
        const char* pFirst = m_text.data() + m_nPos;
        const char* pLast = m_text.data() + m_text.size();
        const auto [pEnd, error] = std::from_chars(pFirst, pLast, nValue, nBase);
        if (pEnd == pFirst)
            return false;
        m_nPos += static_cast<size_t>(pEnd - pFirst);
        return error == std::errc();
    }

    std::string_view m_text;
    size_t m_nPos = 0;
};

} // namespace

LOGFONT CEditableFont::LogFontFromQFont(const QFont& font)
{
    LOGFONT logFont;
    logFont.lfHeight = -PixelHeight(font);
    logFont.lfWeight = font.weight();
    logFont.lfItalic = font.italic() ? 1 : 0;
    logFont.lfUnderline = font.underline() ? 1 : 0;
    logFont.lfStrikeOut = font.strikeOut() ? 1 : 0;
    if (font.styleStrategy() & QFont::NoAntialias)
        logFont.lfQuality = kNonAntialiasedQuality;
    else if (font.styleStrategy() & QFont::PreferAntialias)
        logFont.lfQuality = kAntialiasedQuality;
    logFont.lfPitchAndFamily = static_cast<std::uint8_t>((font.fixedPitch() ? kFixedPitch : 0)
                                                         | FamilyFromHint(font.styleHint()));
    logFont.lfFaceName = CutFaceName(font.family());
    return logFont;
}

QFont CEditableFont::QFontFromLogFont(const LOGFONT& logFont)
{
    QFont font = DefaultFont();
    if (!logFont.lfFaceName.isEmpty())
        font.setFamily(logFont.lfFaceName);
    if (logFont.lfHeight != 0)
        font.setPixelSize(static_cast<int>(std::min(std::llabs(logFont.lfHeight), kMaxPixelSize)));
    font.setWeight(logFont.lfWeight == 0 ? QFont::Normal
                                         : static_cast<QFont::Weight>(std::clamp(logFont.lfWeight, 1, 1000)));
    font.setItalic(logFont.lfItalic != 0);
    font.setUnderline(logFont.lfUnderline != 0);
    font.setStrikeOut(logFont.lfStrikeOut != 0);
    font.setFixedPitch((logFont.lfPitchAndFamily & kPitchMask) == kFixedPitch);
    const std::uint8_t nFamily = logFont.lfPitchAndFamily & kFamilyMask;
    for (const FamilyHint& family : kFamilies)
        if (family.nFamily == nFamily)
            font.setStyleHint(family.hint);
    if (logFont.lfQuality == kNonAntialiasedQuality)
        font.setStyleStrategy(QFont::NoAntialias);
    else if (logFont.lfQuality == kAntialiasedQuality || logFont.lfQuality == kClearTypeQuality)
        font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QString CEditableFont::FormatFontText(const LOGFONT& logFont, COLORREF crColor)
{
    const QByteArray face = logFont.lfFaceName.toUtf8();
    return QString::asprintf("%d %d %d %d %d %d %d %d %d %d %d %d \"%s\" %lx", logFont.lfHeight, logFont.lfWidth,
                             logFont.lfEscapement, logFont.lfOrientation, logFont.lfWeight, logFont.lfItalic,
                             logFont.lfUnderline, logFont.lfStrikeOut, logFont.lfCharSet, logFont.lfOutPrecision,
                             logFont.lfQuality, logFont.lfPitchAndFamily, face.constData(),
                             static_cast<unsigned long>(crColor));
}

int CEditableFont::ParseFontText(const QString& text, LOGFONT& logFont, COLORREF& crColor)
{
    logFont = LOGFONT();
    const QByteArray utf8 = text.toUtf8();
    CFontTextReader reader(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));

    // Fields not read stay 0, as in the cleared record.
    std::int32_t anValues[kIntegerFields] = {};
    int nFields = 0;
    while (nFields < kIntegerFields && reader.ReadInt(anValues[nFields]))
        ++nFields;

    if (nFields == kIntegerFields) {
        std::string_view face;
        bool bClosed = false;
        if (reader.ReadQuoted(face, bClosed)) {
            ++nFields;
            logFont.lfFaceName = CutFaceName(QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size())));
            COLORREF crRead = 0;
            if (bClosed && reader.ReadHex(crRead)) {
                ++nFields;
                crColor = crRead;
            }
        }
    }

    // The byte fields keep the low 8 bits of what was read.
    const auto Byte = [](std::int32_t nValue) { return static_cast<std::uint8_t>(nValue & 0xFF); };
    logFont.lfHeight = anValues[0];
    logFont.lfWidth = anValues[1];
    logFont.lfEscapement = anValues[2];
    logFont.lfOrientation = anValues[3];
    logFont.lfWeight = anValues[4];
    logFont.lfItalic = Byte(anValues[5]);
    logFont.lfUnderline = Byte(anValues[6]);
    logFont.lfStrikeOut = Byte(anValues[7]);
    logFont.lfCharSet = Byte(anValues[8]);
    logFont.lfOutPrecision = Byte(anValues[9]);
    logFont.lfQuality = Byte(anValues[10]);
    logFont.lfPitchAndFamily = Byte(anValues[11]);
    return nFields;
}

CEditableFont::CEditableFont()
    : m_crColor(ColorRefFromColor(QApplication::palette().color(QPalette::Active, m_nColorIndex)))
{
}

QFont CEditableFont::GetFont() const
{
    return m_logFont ? QFontFromLogFont(*m_logFont) : DefaultFont();
}

LOGFONT CEditableFont::GetLogFont() const
{
    return m_logFont ? *m_logFont : LogFontFromQFont(DefaultFont());
}

void CEditableFont::SetFont(const QFont& font)
{
    m_logFont = LogFontFromQFont(font);
}

void CEditableFont::SetLogFont(const LOGFONT& logFont)
{
    m_logFont = logFont;
}

QColor CEditableFont::GetColor() const
{
    return QColor(static_cast<int>(m_crColor & 0xFF), static_cast<int>((m_crColor >> 8) & 0xFF),
                  static_cast<int>((m_crColor >> 16) & 0xFF));
}

bool CEditableFont::LoadFromProfile(unsigned nIDSection, unsigned nIDEntry)
{
    const QString section = LoadQString(nIDSection);
    const QString entry = LoadQString(nIDEntry);
    if (section.isEmpty() || entry.isEmpty())
        return false;
    return LoadFromProfile(section, entry);
}

bool CEditableFont::LoadFromProfile(const QString& section, const QString& entry)
{
    const QString text = GetProfileString(section, entry);
    if (text.isEmpty())
        return false;
    LOGFONT logFont;
    // The font is rebuilt from whatever was read; the colour changes only with all fields.
    ParseFontText(text, logFont, m_crColor);
    // Replacing the font needs a font to replace: an object holding none stays without one.
    if (!m_logFont)
        return false;
    m_logFont = logFont;
    return true;
}

bool CEditableFont::SaveToProfile(unsigned nIDSection, unsigned nIDEntry) const
{
    const QString section = LoadQString(nIDSection);
    const QString entry = LoadQString(nIDEntry);
    if (section.isEmpty() || entry.isEmpty())
        return false;
    return SaveToProfile(section, entry);
}

bool CEditableFont::SaveToProfile(const QString& section, const QString& entry) const
{
    // The store's own result is not part of the answer: a font that cannot be saved is still set.
    WriteProfileString(section, entry, FormatFontText(GetLogFont(), m_crColor));
    return true;
}

bool CEditableFont::EditFont(unsigned nIDCaption, QWidget* pParent)
{
    return EditFont(LoadQString(nIDCaption), pParent);
}

bool CEditableFont::EditFont(const QString& caption, QWidget* pParent)
{
    CEditFontDialog dialog(caption, GetLogFont(), m_dwExtraFlags, m_bEffects, pParent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // Qt's font dialog has no colour choice: the colour stays what it was.
    if (!m_logFont)
        return false;
    m_logFont = dialog.GetLogFont();
    return true;
}
