// Where a scan file came from: the fields a scan file of format 2 holds at its top (the program,
// when the walk began and how long it ran, the host, the walk's choices and how it ended), and
// their text forms.
#pragma once

#include "WalkChoices.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ScanResult;

enum class ScanFileEnding {
    Finished,      // the walk reached its end
    Stopped,       // the window's Stop
    Interrupted,   // a signal (Ctrl+C)
};

class ScanFileHead {
public:
    // Raised on any change a reader of the earlier format could not follow; a file without it
    // is of format 1.
    static constexpr unsigned kFormat = 2;

    std::string program;                 // "kestrum-scan 1.6", "kestrum 1.6", "ncdu 1.18"
    std::int64_t started = 0;            // seconds since the epoch, UTC
    std::uint64_t milliseconds = 0;      // how long the walk ran
    std::string host;
    WalkChoices choices;
    ScanFileEnding ending = ScanFileEnding::Finished;
    // A merge of saved scans: each part's file as given and the root it names, in the same order.
    std::vector<std::string> parts;
    std::vector<std::string> roots;

    // The head of result as `program` writes it, on this host. bInterrupted: a stop came from
    // a signal, not from the window. Throws std::bad_alloc.
    static ScanFileHead Of(const ScanResult& result, std::string program, bool bExtensionsOnly, bool bInterrupted);

    // The last second UtcText writes in four digits of year: 9999-12-31T23:59:59Z.
    static constexpr std::int64_t kLastSecond = 253402300799;
    // ISO 8601 in UTC to the second: "2026-12-01T14:03:07Z", for the years 0000 to 9999.
    static std::string UtcText(std::int64_t seconds);
    // The same read back; nothing for any other text.
    static std::optional<std::int64_t> FromUtcText(std::string_view text);
    // "2026-12-01 14:03", for people.
    static std::string UtcMinute(std::int64_t seconds);
    // "finished", "stopped", "interrupted", and back.
    static std::string_view EndingKey(ScanFileEnding ending);
    static std::optional<ScanFileEnding> EndingFromKey(std::string_view key);
};
