#include "PartReader.h"

#include "ScanFileReader.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <new>
#include <thread>

void CPartReader::ReadAll(const std::vector<std::string>& files, std::size_t threads)
{
    m_parts.assign(files.size(), Part{});
    threads = std::max<std::size_t>(1, std::min(threads, files.size()));
    m_merges = std::vector<ScanMerge>(threads);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    const auto readParts = [&](ScanMerge& merge) {
        for (std::size_t i = next++; i < files.size() && !failed; i = next++) {
            Part& part = m_parts[i];
            try {
                SavedScan scan;
                if (!ScanFileReader::ReadFile(files[i], scan, part.error)) {
                    failed = true;
                    continue;
                }
                merge.Add(scan.result);
                part.bHasChoices = scan.bHasChoices;
                part.bFinished = scan.head.ending == ScanFileEnding::Finished && scan.result.Ending() == ScanEnding::Finished;
                part.root = std::move(scan.root);
                part.head = std::move(scan.head);
                part.bRead = true;
            } catch (const std::bad_alloc&) {
                part.error = ScanFileError::Unreadable(ENOMEM);
                failed = true;
            }
        }
    };
    // A thread that cannot be started leaves its share to the others; this one always reads.
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(readParts, std::ref(m_merges[t]));
        } catch (const std::exception&) {
            break;
        }
    }
    readParts(m_merges[0]);
    for (std::thread& helper : helpers)
        helper.join();
}

ScanResult CPartReader::Take(std::size_t largest)
{
    for (std::size_t t = 1; t < m_merges.size(); ++t)
        m_merges[0].Add(m_merges[t].Take(largest));
    ScanResult result = m_merges.empty() ? ScanResult() : m_merges[0].Take(largest);
    m_merges.clear();
    return result;
}
