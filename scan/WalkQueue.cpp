#include "WalkQueue.h"

#include <unistd.h>

#include <algorithm>
#include <new>
#include <utility>

PathNode::PathNode(std::string_view nodeName, dev_t nodeDevice, ino_t nodeInode, std::shared_ptr<PathNode> nodeParent)
    : name(nodeName)
    , device(nodeDevice)
    , inode(nodeInode)
    , parent(std::move(nodeParent))
{
}

PathNode::~PathNode()
{
    // Holding the only reference to a node means nobody else can reach it any more, so its
    // parent can be taken before it goes; a chain 5,000 folders deep then needs no deep stack.
    std::shared_ptr<PathNode> next = std::move(parent);
    while (next && next.use_count() == 1)
        next = std::move(next->parent);
}

WalkItem::WalkItem(WalkItem&& other) noexcept
    : fd(std::exchange(other.fd, -1))
    , device(other.device)
    , inode(other.inode)
    , name(std::move(other.name))
    , depth(other.depth)
    , parent(std::move(other.parent))
    , saved(std::move(other.saved))
    , handBacks(other.handBacks)
    , notListedSaid(std::move(other.notListedSaid))
{
}

WalkItem& WalkItem::operator=(WalkItem&& other) noexcept
{
    if (this != &other) {
        if (fd >= 0)
            close(fd);
        fd = std::exchange(other.fd, -1);
        device = other.device;
        inode = other.inode;
        name = std::move(other.name);
        depth = other.depth;
        parent = std::move(other.parent);
        saved = std::move(other.saved);
        handBacks = other.handBacks;
        notListedSaid = std::move(other.notListedSaid);
    }
    return *this;
}

WalkItem::~WalkItem()
{
    if (fd >= 0)
        close(fd);
}

WalkQueue::WalkQueue(std::size_t threads)
    : m_capacity(std::max<std::size_t>(threads, 1))
{
}

bool WalkQueue::Offer(WalkItem& item)
{
    std::lock_guard lock(m_lock);
    if (m_items.size() >= m_capacity)
        return false;
    try {
        m_items.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
        return false;   // a failed push_back leaves item where it was
    }
    m_pending.store(m_items.size(), std::memory_order_relaxed);
    m_changed.notify_one();
    return true;
}

bool WalkQueue::Take(WalkItem& item, bool bWasWorking)
{
    std::unique_lock lock(m_lock);
    if (bWasWorking)
        --m_working;
    for (;;) {
        if (!m_items.empty()) {
            item = std::move(m_items.front());
            m_items.pop_front();
            m_pending.store(m_items.size(), std::memory_order_relaxed);
            ++m_working;
            return true;
        }
        if (m_working == 0 || m_bEnded) {
            // Nobody has work left and nothing is pending: nothing can be handed over any more.
            m_bEnded = true;
            m_changed.notify_all();
            return false;
        }
        m_waiting.fetch_add(1, std::memory_order_relaxed);
        m_changed.wait(lock);
        m_waiting.fetch_sub(1, std::memory_order_relaxed);
    }
}
