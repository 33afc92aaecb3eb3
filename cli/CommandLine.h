// The options of kestrum-scan, parsed as GNU tools parse theirs (getopt_long): options before or
// after the folder, "--opt value" and "--opt=value" alike, unique abbreviations of long options,
// short forms bundled ("-xh"), and "--" ending them.
#pragma once

#include "ExtOrder.h"
#include "ExtTable.h"
#include "FolderWalk.h"
#include "ScanRequest.h"
#include "ScanReport.h"

#include <cstddef>
#include <string>
#include <vector>

class CCommandLine {
public:
    enum class Action { Scan, Help, Version, Error };

    // Reads argv[1..argc-1]. --help wins over --version, and either needs no folder. On Error,
    // ErrorText() says in one line what was wrong.
    Action Parse(int argc, const char* const* argv);

    const std::string& Folder() const { return m_szFolder; }
    const std::string& ErrorText() const { return m_szError; }
    // How the walk goes: threads, file system, exclusions, hard links, largest files.
    const FolderWalkOptions& WalkOptions() const { return m_walk; }
    // The folder and the walk, as the engine takes them. Throws std::bad_alloc.
    ScanRequest Request() const { return ScanRequest{m_szFilesFrom.empty() ? m_szFolder : ".", m_walk}; }
    // How the result is written.
    const ReportOptions& Report() const { return m_report; }
    OutputFormat Format() const { return m_format; }
    // --quiet: of what the scan could not count, only the summary line, not each path.
    bool Quiet() const { return m_bQuiet; }
    // --compare OLD: the saved scan to compare with; empty when not comparing.
    const std::string& CompareWith() const { return m_szCompare; }
    // --files0-from LIST: the list of names to count ("-" for standard input); empty when a
    // folder is scanned. The request's root is then the current folder.
    const std::string& FilesFrom() const { return m_szFilesFrom; }
    // --merge: the saved scans to merge (the operands); empty when not merging.
    const std::vector<std::string>& MergeFiles() const { return m_mergeFiles; }

private:
    bool ApplyOption(int option, const char* value);
    bool SetFormat(OutputFormat format);
    bool SetSort(const std::string& value);
    bool SetCount(const char* option, const std::string& value, std::size_t low, std::size_t high,
                  std::size_t& count);
    bool AddExclude(const std::string& pattern);
    bool AddExcludesFrom(const std::string& file);
    bool SetExtensions(const std::string& list);
    bool SetBy(const std::string& value);
    bool AddCategories(const std::string& list);
    bool TakeOperands(int argc, const char* const* argv, int first);
    bool Fail(std::string text);

    std::string m_szFolder;
    bool m_bHelp = false;
    bool m_bVersion = false;
    bool m_bQuiet = false;
    bool m_bFormatGiven = false;
    bool m_bExtensionsGiven = false;
    bool m_bSortGiven = false;
    std::string m_szCompare;
    std::string m_szFilesFrom;
    bool m_bMerge = false;
    std::vector<std::string> m_mergeFiles;
    OutputFormat m_format = OutputFormat::Text;
    FolderWalkOptions m_walk;
    ReportOptions m_report;
    std::string m_szError;
};
