// One level of the walk: the listing of one open folder, read through its descriptor in
// getdents64 batches, or (after the walk had to close it to save descriptors) from the rest of its
// names kept in memory.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class NameFeed;

class DirectoryFrame {
public:
    DirectoryFrame() = default;
    DirectoryFrame(const DirectoryFrame&) = delete;
    DirectoryFrame& operator=(const DirectoryFrame&) = delete;
    ~DirectoryFrame();

    // "." and "..": listed in every folder, never entries of it.
    static bool IsDotOrDotDot(const char* name)
    {
        return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
    }

    // Starts listing the folder open on fd, which the frame owns from now on. name is the folder's
    // entry in its parent's listing (the root's path for the root). buffer (bufferSize bytes,
    // suitably aligned) is lent for the batches until ReleaseBuffer or SaveRemaining.
    // Throws std::bad_alloc (from copying the name) before taking anything over.
    void Start(int fd, dev_t device, ino_t inode, std::string_view name, char* buffer, std::size_t bufferSize);
    // Starts with the rest of a listing read elsewhere (entries as SaveRemaining keeps them), the
    // folder open on fd, which the frame owns from now on. Throws std::bad_alloc (from copying the
    // name) before taking anything over.
    void StartSaved(int fd, dev_t device, ino_t inode, std::string_view name, std::string&& saved);

    // Once the entries it holds are walked, the frame asks feed for more (null: none), until
    // it has no more. For a listing that is a list of names; Start and StartSaved end it.
    void FeedFrom(NameFeed* feed) { m_pFeed = feed; }
    NameFeed* Feed() const { return m_pFeed; }
    // Entries (as SaveRemaining keeps them) walked after those the frame holds: names fed to a
    // part that could not be handed over after all. Throws std::bad_alloc.
    void TakeBack(const std::string& entries) { m_saved += entries; }

    // Bytes of entries a frame asks its feed for at once: enough that it seldom asks, few enough
    // that the first names are walked at once.
    static constexpr std::size_t kFeedBytes = 1024 * 1024;

    // The next entry name ("." and ".." included), or null when the listing has ended (an error
    // ends it too). The text stays valid until the next call on this frame.
    const char* Next();
    // The type the listing reported for the entry Next returned last (DT_DIR, DT_REG, ...;
    // DT_UNKNOWN where the file system does not say).
    unsigned char Type() const { return m_lastType; }

    // The descriptor entries are examined and subfolders opened against; -1 when closed.
    int Descriptor() const { return m_fd; }
    dev_t Device() const { return m_device; }
    ino_t Inode() const { return m_inode; }
    const std::string& Name() const { return m_name; }
    // True when part of the listing was lost: reading it failed, or memory ran out while keeping it.
    bool Incomplete() const { return m_bIncomplete; }
    // Why it was: the errno of the failed read, or ENOMEM.
    int Error() const { return m_error; }

    // Reads the rest of the listing into memory; the descriptor stays with the frame until the
    // caller takes it (TakeDescriptor). Returns the lent buffer (null when none was lent). Out of
    // memory, the names not yet kept are dropped and the frame is marked incomplete.
    char* SaveRemaining();
    // Copies about the second half of the entries read but not yet returned (of the batch at hand,
    // or of the names kept in memory) into `part`, in the form StartSaved takes, so that another
    // thread can examine them. Returns where they start (for DropFrom), or 0 when too few are left
    // to be worth it. Changes nothing in the frame; throws std::bad_alloc.
    std::size_t CopyLaterHalf(std::string& part) const;
    // Once the copy made by CopyLaterHalf has been handed over: Next will not return those entries.
    void DropFrom(std::size_t cut);
    // Gives back the folder's descriptor, found again after SaveRemaining; the remaining names
    // still come from memory.
    void Reattach(int fd);
    // Only after SaveRemaining, with no descriptor: the folder could not be found again, so its
    // remaining entries are dropped, as if its listing had ended early. True when some were.
    bool Abandon();

    // A listing split between threads is one folder: its parts share one flag, so that the folder
    // is reported as not listed once, whichever parts fail. SharedNotListed makes the flag for a
    // part about to be handed over (throws std::bad_alloc); ShareNotListed gives a part its
    // folder's flag; TakeNotListed is true for the first part to report the folder (always, for a
    // listing never split).
    const std::shared_ptr<std::atomic<bool>>& SharedNotListed();
    void ShareNotListed(std::shared_ptr<std::atomic<bool>> said);
    bool TakeNotListed();

    // Ends the frame and hands over its descriptor (or -1); the caller closes it.
    int TakeDescriptor();
    // Hands back the lent buffer (or null).
    char* ReleaseBuffer();

private:
    const char* NextBatched();
    const char* NextSaved();
    std::size_t CopyLaterHalfOfBatch(std::string& part) const;
    std::size_t CopyLaterHalfOfSaved(std::string& part) const;

    int m_fd = -1;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    std::string m_name;            // reused from folder to folder, so it seldom allocates

    char* m_buffer = nullptr;      // lent; null once the names come from memory
    std::size_t m_bufferSize = 0;
    std::size_t m_batchLength = 0;
    std::size_t m_batchOffset = 0;
    bool m_bEnded = false;
    bool m_bIncomplete = false;
    int m_error = 0;

    unsigned char m_lastType = 0;  // DT_UNKNOWN
    std::string m_saved;           // remaining entries: a type byte, then the name ended by a NUL
    std::size_t m_savedOffset = 0;
    std::shared_ptr<std::atomic<bool>> m_partsNotListed;   // null while never split
    NameFeed* m_pFeed = nullptr;
};
