#include "archive/DecodePool.h"

#include <algorithm>
#include <system_error>
#include <utility>

unsigned DecodePool::MachineWorkers()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

DecodePool::DecodePool(unsigned workers, double lookahead_share, Beyond beyond)
    : lookahead_share_(lookahead_share), beyond_(beyond)
{
    threads_.reserve(workers);
    for (unsigned i = 0; i < workers; ++i) {
        try {
            threads_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break;  // fewer workers; the caller decodes what they do not
        }
    }
}

DecodePool::~DecodePool()
{
    Stop();
}

void DecodePool::Stop()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    work_.notify_all();
    for (std::thread& thread : threads_)
        if (thread.joinable())
            thread.join();
    std::lock_guard lock(mutex_);
    queue_.clear();
    slots_.clear();
    waiting_bytes_ = 0;
    done_.notify_all();
}

void DecodePool::Submit(const std::string& name, const MemoryStream* stream)
{
    {
        std::lock_guard lock(mutex_);
        if (stop_ || threads_.empty())
            return;
        auto [it, added] = slots_.try_emplace(stream);
        if (!added)
            return;
        it->second.name = name;
        queue_.push_back(stream);
        submitted_bytes_ += stream->Size();
    }
    work_.notify_one();
}

bool DecodePool::MayStart() const
{
    // With nothing waiting a worker may always start, so a picture larger than the share is
    // still decoded ahead.
    return beyond_ == Beyond::Check || waiting_bytes_ == 0 || static_cast<double>(waiting_bytes_) < Share();
}

bool DecodePool::MayKeep(std::size_t bytes) const
{
    // The same rule for a picture already decoded; a worker that rests beyond the share was
    // allowed to start, so it keeps what it made.
    return beyond_ == Beyond::Rest || waiting_bytes_ == 0 || static_cast<double>(waiting_bytes_ + bytes) <= Share();
}

bool DecodePool::OnlyCheck() const
{
    // Checking beyond the share, when not even a picture of the smallest size decoded so far (of
    // one byte, before the first) would fit beside those waiting: MayKeep would refuse it, so only
    // the verdict is wanted. Waiting pictures stay within the share, so most decodes there would
    // otherwise be made to be dropped. A smaller picture than any before is then only checked
    // too: it is decoded when it is asked for, as any picture the pool did not keep.
    const std::size_t smallest = std::max<std::size_t>(smallest_bytes_, 1);
    return beyond_ == Beyond::Check && waiting_bytes_ > 0 &&
           static_cast<double>(waiting_bytes_ + smallest) > Share();
}

double DecodePool::Share() const
{
    return lookahead_share_ * static_cast<double>(submitted_bytes_);
}

void DecodePool::Work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return stop_ || (!queue_.empty() && MayStart()); });
        if (stop_)
            return;
        const MemoryStream* stream = queue_.front();
        queue_.pop_front();
        auto it = slots_.find(stream);
        if (it == slots_.end() || it->second.state != State::Queued)
            continue;  // taken back by a caller meanwhile
        it->second.state = State::Running;
        const std::string name = it->second.name;
        const bool only_check = OnlyCheck();
        lock.unlock();

        // The stream is complete and nobody writes it; only its bytes are read here (callers
        // move its position, never its content).
        std::unique_ptr<Picture> picture = MakePicture(name);
        try {
            if (picture && only_check)
                picture->CheckBytes(stream->Bytes(), name);
            else if (picture)
                picture->LoadFromBytes(stream->Bytes(), name);
        } catch (...) {
            picture.reset();  // the caller decodes it again and raises the failure itself
        }

        lock.lock();
        // A running slot is never erased by anyone else: Take and Forget wait for it.
        Slot& slot = slots_.at(stream);
        slot.state = State::Done;
        std::unique_ptr<Picture> dropped;
        if (picture) {
            slot.checked = true;
            ++decoded_count_;
            if (only_check) {
                ++checked_only_count_;
                dropped = std::move(picture);
            } else {
                const auto bytes = static_cast<std::size_t>(picture->Image().sizeInBytes());
                smallest_bytes_ = smallest_bytes_ == 0 ? bytes : std::min(smallest_bytes_, bytes);
                if (MayKeep(bytes)) {
                    slot.bytes = bytes;
                    waiting_bytes_ += slot.bytes;
                    peak_waiting_bytes_ = std::max(peak_waiting_bytes_, waiting_bytes_);
                    slot.picture = std::move(picture);
                } else {
                    dropped = std::move(picture);  // only the verdict is kept
                }
            }
        }
        done_.notify_all();
        lock.unlock();
        dropped.reset();  // let go outside the lock; the next decode reuses its memory
        lock.lock();
    }
}

void DecodePool::Drop(std::unordered_map<const MemoryStream*, Slot>::iterator it)
{
    waiting_bytes_ -= it->second.bytes;
    slots_.erase(it);
    work_.notify_all();
}

std::unique_ptr<Picture> DecodePool::Take(const MemoryStream* stream, bool* checked)
{
    if (checked != nullptr)
        *checked = false;
    std::unique_lock lock(mutex_);
    auto it = slots_.find(stream);
    if (it == slots_.end())
        return nullptr;
    if (it->second.state == State::Queued) {
        Drop(it);  // the worker that pops it skips it
        return nullptr;
    }
    done_.wait(lock, [&] {
        it = slots_.find(stream);
        return it == slots_.end() || it->second.state == State::Done;
    });
    if (it == slots_.end())
        return nullptr;  // the pool was stopped meanwhile
    std::unique_ptr<Picture> picture = std::move(it->second.picture);
    if (checked != nullptr)
        *checked = it->second.checked;
    Drop(it);
    return picture;
}

void DecodePool::Forget(const MemoryStream* stream)
{
    Take(stream);
}

std::size_t DecodePool::WaitingBytes() const
{
    std::lock_guard lock(mutex_);
    return waiting_bytes_;
}

std::size_t DecodePool::PeakWaitingBytes() const
{
    std::lock_guard lock(mutex_);
    return peak_waiting_bytes_;
}

std::size_t DecodePool::DecodedCount() const
{
    std::lock_guard lock(mutex_);
    return decoded_count_;
}

std::size_t DecodePool::CheckedOnlyCount() const
{
    std::lock_guard lock(mutex_);
    return checked_only_count_;
}
