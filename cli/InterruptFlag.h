// Ctrl+C (SIGINT) turned into a flag that the scan's poll loop reads.
#pragma once

#include <csignal>

class CInterruptFlag {
public:
    // Catches SIGINT from here on, unless the program was started with it ignored. One instance
    // at a time: the handler writes a static flag.
    CInterruptFlag();
    ~CInterruptFlag();
    CInterruptFlag(const CInterruptFlag&) = delete;
    CInterruptFlag& operator=(const CInterruptFlag&) = delete;

    // True once SIGINT has arrived since construction.
    bool Requested() const;
    // Gives SIGINT back its previous handling, so that Ctrl+C while results are written ends the
    // program at once. Requested() keeps its answer.
    void Release();

private:
    static void OnSignal(int);

    struct sigaction m_previous {};
    bool m_bInstalled = false;
};
