#include "ScanApp.h"

#include "ExitStatus.h"
#include "Resource.h"
#include "ResourceString.h"
#include "ScanDialog.h"
#include "StringTable.h"
#include "TextEscape.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

// An argument as it may be shown on a terminal, under the rule every output of names shares.
std::string ShowArgument(const QString& argument)
{
    const QByteArray bytes = argument.toUtf8();
    return TerminalEscape(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

int WriteText(std::FILE* out, std::string_view text, int nExitStatus)
{
    std::fwrite(text.data(), 1, text.size(), out);
    if (std::fflush(out) != 0 || std::ferror(out))
        return ExitStatus::kFailed;
    return nExitStatus;
}

// The message, then the usage, on stderr.
int UsageError(const std::string& message)
{
    WriteText(stderr, message + '\n', ExitStatus::kUsage);
    WriteText(stderr, LoadString(IDS_APP_USAGE), ExitStatus::kUsage);
    return ExitStatus::kUsage;
}

// Qt reports unknown options by name, without their dashes.
QString OptionAsTyped(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

} // namespace

int CScanApp::ParseCommandLine(int argc, const char* const* argv)
{
    // decodeName is the inverse of the encodeName the dialog applies to the folder box, so a
    // folder name in the locale's encoding reaches the scan unchanged.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);

    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            return UsageError(FormatString(IDS_APP_UNKNOWN_OPTION, {ShowArgument(OptionAsTyped(unknown.front()))}));
        // Anything else Qt refuses (a value given to --help or --version) in Qt's own words.
        return UsageError(FormatString(IDS_APP_BAD_OPTION, {ShowArgument(parser.errorText())}));
    }
    if (parser.isSet(help))
        return WriteText(stdout, LoadString(IDS_APP_USAGE), ExitStatus::kDone);
    if (parser.isSet(version))
        return WriteText(stdout, FormatString(IDS_APP_VERSION, {KESTRUM_VERSION}), ExitStatus::kDone);

    const QStringList folders = parser.positionalArguments();
    if (folders.size() > 1)
        return UsageError(FormatString(IDS_APP_EXTRA_ARGUMENT, {ShowArgument(folders[1])}));
    m_bHasStartFolder = !folders.isEmpty();
    if (m_bHasStartFolder)
        m_szStartFolder = folders.front();
    return kOpenWindow;
}

bool CScanApp::InitInstance()
{
    // Drag and drop and the clipboard need no start of their own here, so there is no failure to
    // report before the settings are named.
    QApplication::setOrganizationName(QStringLiteral("Orvaldi"));
    QApplication::setApplicationName(LoadQString(AFX_IDS_APP_TITLE));
    // Ties the window to the installed desktop entry (its icon and name in the task switcher).
    QGuiApplication::setDesktopFileName(QStringLiteral(KESTRUM_APP_ID));

    CScanDialog dialog;
    if (m_bHasStartFolder)
        dialog.ScanOnOpen(m_szStartFolder);
    dialog.DoModal();
    return false;
}
