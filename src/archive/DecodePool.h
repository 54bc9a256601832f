// Decodes the picture archive's members on worker threads while the archive is still being read,
// so that the pictures the build asks for are mostly decoded already.
//
// The pool only ever gets ahead of the build; it never decides what the build sees. A member whose
// decode has not started when it is asked for is taken back and decoded by the caller; a member
// whose decode failed is dropped here and decoded again by the caller, so every failure is raised
// by the caller's own decode, at the moment and with the text it always had.
//
// Decoded pictures wait here until they are taken. Their bytes are bounded (a share of the bytes
// the archive has unpacked so far): past that, the workers rest until the build takes some, or,
// when the pool is told to check beyond the bound, go on checking the pictures (CheckBytes, which
// costs less than a decode) and keep of each only that it decodes, so that a build that only needs
// to know (a picture shown later, perhaps never) need not decode it, and one that starts late
// finds the archive checked once.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "archive/MemoryStream.h"
#include "pictures/Picture.h"

class DecodePool {
public:
    // The number of workers the machine has room for: one per hardware thread, at least one.
    static unsigned MachineWorkers();

    // What the workers do once the decoded pictures waiting fill their share.
    enum class Beyond { Rest, Check };

    // Starts `workers` threads (none when 0: nothing is then decoded ahead). Decoded pictures
    // waiting to be taken may hold up to `lookahead_share` of the bytes submitted so far.
    explicit DecodePool(unsigned workers, double lookahead_share = 0.1, Beyond beyond = Beyond::Rest);
    // Stops and joins the workers; pictures not taken are let go.
    ~DecodePool();

    DecodePool(const DecodePool&) = delete;
    DecodePool& operator=(const DecodePool&) = delete;

    // Queues the member `stream` (complete, not written any more) named `name` for decoding. The
    // stream must stay alive and unchanged until Take or Forget has been called for it, or the
    // pool is stopped.
    void Submit(const std::string& name, const MemoryStream* stream);

    // The picture decoded from `stream`, waiting for a decode under way to end; nullptr when the
    // caller is to decode it: never submitted, already taken, not started yet (then it is taken
    // off the queue), failed, or only checked. Either way the pool is done with the stream
    // afterwards. `checked`, when given, tells whether the picture was decoded without error
    // (kept or only checked): a caller that only needs to know has nothing to do then.
    std::unique_ptr<Picture> Take(const MemoryStream* stream, bool* checked = nullptr);

    // Done with `stream` (it is about to be replaced): waits for a decode under way to end and
    // drops what it made.
    void Forget(const MemoryStream* stream);

    // Stops the workers after the decodes under way and joins them; every waiting picture is let
    // go. Called again, it does nothing.
    void Stop();

    // Bytes of decoded pictures now waiting to be taken, and the most that ever waited.
    std::size_t WaitingBytes() const;
    std::size_t PeakWaitingBytes() const;
    // Pictures decoded without error by the workers so far, kept or only checked.
    std::size_t DecodedCount() const;
    // Of those, the ones checked without being decoded (CheckBytes): beyond the share, when not
    // even a picture of the smallest size decoded so far would have been kept.
    std::size_t CheckedOnlyCount() const;
    unsigned Workers() const { return static_cast<unsigned>(threads_.size()); }

private:
    enum class State { Queued, Running, Done };
    struct Slot {
        std::string name;
        State state = State::Queued;
        std::unique_ptr<Picture> picture;  // when Done: nullptr if the decode failed or was only checked
        bool checked = false;              // when Done: the decode succeeded
        std::size_t bytes = 0;
    };

    void Work();
    bool MayStart() const;  // with mutex_ held
    bool MayKeep(std::size_t bytes) const;  // with mutex_ held
    bool OnlyCheck() const;                 // with mutex_ held: a picture decoded now would not be kept
    double Share() const;                   // with mutex_ held: what decoded pictures may hold
    void Drop(std::unordered_map<const MemoryStream*, Slot>::iterator it);  // with mutex_ held

    mutable std::mutex mutex_;
    std::condition_variable work_;  // workers: a job came, room was made, or stop
    std::condition_variable done_;  // callers: a decode ended
    std::deque<const MemoryStream*> queue_;
    std::unordered_map<const MemoryStream*, Slot> slots_;
    std::size_t submitted_bytes_ = 0;
    std::size_t waiting_bytes_ = 0;
    std::size_t peak_waiting_bytes_ = 0;
    std::size_t decoded_count_ = 0;
    std::size_t checked_only_count_ = 0;
    std::size_t smallest_bytes_ = 0;  // the smallest picture decoded so far; 0 before the first
    double lookahead_share_;
    Beyond beyond_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};
