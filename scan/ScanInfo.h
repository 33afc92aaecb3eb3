// The state of one scan, shared by the window (which prepares, polls and resets it) and the worker.
#pragma once

#include "ExtIndex.h"
#include "ExtInfo.h"
#include "ManualResetEvent.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

struct SCANINFO {
    // Guards the counters, pExtList, every EXTINFO in it and extIndex while a worker runs.
    std::mutex cs;
    std::uint64_t nFolders = 0;  // subfolders below the root (the root itself is not counted)
    std::uint64_t nFiles = 0;    // files below the root, or 1 when the root is itself a file
    std::uint64_t nBytes = 0;    // apparent sizes of every counted entry, folders included

    // What the counters above could not cover, so that a partial count is never a silent one.
    std::uint64_t nNotListed = 0;   // folders counted but not (fully) listed: no access, no
                                    // descriptor or memory left, gone or moved away meanwhile
    std::uint64_t nNotEntered = 0;  // pseudo-filesystem mounts counted as a folder, not entered
    std::uint64_t nVanished = 0;    // entries listed but gone before they could be examined
    std::uint64_t nNotExamined = 0; // files listed but not examined (a folder that may be read but
                                    // not searched): counted, their sizes missing
    std::uint64_t nNotInRows = 0;   // files with an extension counted but kept in no record, for
                                    // want of memory

    // The files without an extension among nFiles, and their sizes: they belong to no record.
    std::uint64_t nNoExtFiles = 0;
    std::uint64_t nNoExtBytes = 0;

    // Created by the window for each scan, empty while idle. The worker keeps its own references,
    // so the window may release them as soon as it has seen hDoneEvent set.
    std::shared_ptr<ManualResetEvent> hStopEvent;
    std::shared_ptr<ManualResetEvent> hDoneEvent;

    // Written only while no worker runs; read by the worker without the lock.
    std::string szRoot;     // the root as typed ("" stands for "/")

    EXTINFO* pExtList = nullptr;  // head of the per-extension records
    ExtIndex extIndex;            // finds a record by its folded extension; beside the list, same lock
};
