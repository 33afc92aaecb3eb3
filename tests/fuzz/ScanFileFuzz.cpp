// libFuzzer harness: any bytes given to the scan-file reader end in a scan or one fault, never a
// crash, a leak or undefined behaviour. The bytes are read as a file is (through an anonymous
// in-memory file), so that the capped, mending read buffer is fuzzed too. A scan that was read is
// written again and must read back to the same counts.
#include "ExtTable.h"
#include "ExtTableWriter.h"
#include "OutputBuffer.h"
#include "ScanFileReader.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int file = memfd_create("scan-file", MFD_CLOEXEC);
    if (file < 0 || write(file, data, size) != static_cast<ssize_t>(size) || lseek(file, 0, SEEK_SET) != 0)
        std::abort();
    SavedScan scan;
    ScanFileError error;
    const bool bRead = ScanFileReader::ReadFile("/proc/self/fd/" + std::to_string(file), scan, error);
    close(file);
    if (!bRead) {
        if (error.fault == ScanFileFault::None)
            std::abort();   // a refusal always says why
        return 0;
    }
    // Written again and read back, a scan keeps its counts.
    ExtTable table(scan.result, true);
    table.Order(ExtColumn::Ext, true);
    char* text = nullptr;
    std::size_t length = 0;
    std::FILE* memory = open_memstream(&text, &length);
    if (!memory)
        return 0;
    {
        COutputBuffer out(memory);
        ExtTableWriter(table).WriteJson(out, scan.root, scan.result.Counters(), &scan.result.Largest(),
                                        &scan.result.Problems(), &scan.head);
    }
    std::fclose(memory);
    SavedScan again;
    const bool bReadAgain = ScanFileReader::ReadText(std::string_view(text, length), again, error);
    std::free(text);
    if (!bReadAgain || !(again.result.Counters() == scan.result.Counters()) ||
        again.result.RecordCount() != scan.result.RecordCount())
        std::abort();
    return 0;
}
