// The folders and parts of listings still to be walked, shared by the walking threads of one scan.
// A thread that has work hands some of it here only while another thread waits for work, so what
// is pending stays a handful of items, whatever the size of the tree.
//
// When the walk ends: the queue counts the threads that have work. The worker (the thread that
// opens the root) has work from the start; a helper has none until it takes an item. A thread
// gives its work up only by calling Take once it has walked all it held. The walk ends when a
// Take finds nothing pending and no thread with work: nothing can be handed over any more. That
// Take, under the queue's lock, decides it; the end is final, and every Take waiting or still to
// come returns false. So every walking thread, the worker included, must keep calling Take until
// it returns false, whatever went wrong in its own part: a thread that left without it would keep
// the others waiting for ever (FolderWalk's Run and RunHandedOver throw nothing and end so).
//
// Locks: the queue's lock guards only the items and the counts here. The scan's lock (SCANINFO's
// cs, taken by ScanTally when it adds counts) is never taken while the queue's lock is held, and
// the queue is never called while cs is held: the two never nest, so they cannot deadlock. Offer
// and Take only move items (closing a descriptor at most) under the queue's lock.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

// One folder on the way from the scan's root down to a folder being walked, so that a folder
// handed to another thread can still be found again from the root by name. Shared by the threads
// and never changed once made: the chains of all pending items and open frames together hold one
// node per folder on their paths.
struct PathNode {
    PathNode(std::string_view name, dev_t device, ino_t inode, std::shared_ptr<PathNode> parent);
    // Releases a long chain one node at a time, not by recursion.
    ~PathNode();
    PathNode(const PathNode&) = delete;
    PathNode& operator=(const PathNode&) = delete;

    std::string name;         // the folder's entry in its parent; the root as given for the root
    dev_t device = 0;
    ino_t inode = 0;
    std::shared_ptr<PathNode> parent;   // null for the root
};

// A folder to walk, open on fd. Either its listing has not been read yet (saved empty: it is a
// folder still to be listed), or it is the rest of a listing already open (saved holds the
// remaining entries, each a type byte and the name ended by a NUL), which is walked whatever
// happens, as every open listing is read to its end.
struct WalkItem {
    WalkItem() = default;
    WalkItem(WalkItem&& other) noexcept;
    WalkItem& operator=(WalkItem&& other) noexcept;
    WalkItem(const WalkItem&) = delete;
    WalkItem& operator=(const WalkItem&) = delete;
    ~WalkItem();

    bool IsListingPart() const { return !saved.empty(); }

    int fd = -1;                 // owned
    dev_t device = 0;
    ino_t inode = 0;
    std::string name;            // the folder's entry in its parent
    std::size_t depth = 0;       // below the root (the root is 0)
    std::shared_ptr<PathNode> parent;   // the folder's parent, up to the root
    std::string saved;
    std::size_t handBacks = 0;   // times the folder came back, unopened, for want of resources
    // For a listing part: shared by every part of the folder's listing (DirectoryFrame).
    std::shared_ptr<std::atomic<bool>> notListedSaid;
};

class WalkQueue {
public:
    // threads: how many walking threads share the queue; one of them is working from the start
    // (the one that opens the root).
    explicit WalkQueue(std::size_t threads);
    WalkQueue(const WalkQueue&) = delete;
    WalkQueue& operator=(const WalkQueue&) = delete;

    // True when a thread waits for work that nobody has handed over yet. A hint only (no lock),
    // checked often by the threads that have work.
    bool Hungry() const
    {
        return m_waiting.load(std::memory_order_relaxed) > m_pending.load(std::memory_order_relaxed);
    }
    // Hands item over to a waiting thread. False when enough is pending already; item then stays
    // with the caller, untouched.
    bool Offer(WalkItem& item);
    // Called by a thread out of work (bWasWorking: it had some until now; false for a thread that
    // has just started). Blocks until an item comes (true) or every thread is out of work and
    // nothing is pending, which ends the walk (false).
    bool Take(WalkItem& item, bool bWasWorking);

private:
    std::mutex m_lock;   // guards the fields below except the two hints
    std::condition_variable m_changed;
    std::deque<WalkItem> m_items;
    std::size_t m_capacity;
    std::size_t m_working = 1;
    bool m_bEnded = false;
    std::atomic<std::size_t> m_waiting{0};   // changed under m_lock
    std::atomic<std::size_t> m_pending{0};   // m_items.size(), changed under m_lock
};
