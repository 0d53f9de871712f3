#include "platform/thread.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

namespace Varn::platform {

namespace {

unsigned int KernelThreadId() {
    return static_cast<unsigned int>(syscall(SYS_gettid));
}

// The nice value of each priority, kPriorityIdle first. The named levels
// sit at 19, 10, 5, 0, -5, -10, -20 (idle, lowest, below normal, normal,
// above normal, highest, time critical); the values between them step
// evenly, so the table never rises.
constexpr int kNiceOfPriority[kPriorityTimeCritical - kPriorityIdle + 1] = {
    19, 18,  18,  17,  16,  16,  15,  14,  13,  13,  12,  11,  11,  10,  5,  0,
    -5, -10, -11, -12, -12, -13, -14, -15, -15, -16, -17, -18, -18, -19, -20};

int NiceFromPriority(int priority) {
    return kNiceOfPriority[priority - kPriorityIdle];
}

// The priority whose nice value is nearest; of equally near ones the one
// nearest to normal.
int PriorityFromNice(int nice) {
    int best = 0;
    int bestDistance = INT_MAX;
    for (int priority = kPriorityIdle; priority <= kPriorityTimeCritical; ++priority) {
        const int distance = std::abs(NiceFromPriority(priority) - nice);
        if (distance < bestDistance ||
            (distance == bestDistance && std::abs(priority) < std::abs(best))) {
            best = priority;
            bestDistance = distance;
        }
    }
    return best;
}

// The stack size the system accepts: at least its minimum, whole pages.
std::size_t StackSizeFor(std::size_t requested) {
    const long page = sysconf(_SC_PAGESIZE);
    const std::size_t pageSize = page > 0 ? static_cast<std::size_t>(page) : 4096;
    const std::size_t size = std::max<std::size_t>(requested, PTHREAD_STACK_MIN);
    return (size + pageSize - 1) / pageSize * pageSize;
}

// The kernel keeps 15 bytes of a thread name; a cut through a UTF-8
// sequence would leave a broken character, so the cut moves to its start.
std::string KernelThreadName(const std::string& name) {
    constexpr std::size_t kLimit = 15;
    if (name.size() <= kLimit)
        return name;
    std::size_t cut = kLimit;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

enum class Gate { kClosed, kRun, kAbandon };

}  // namespace

struct ThreadObject {
    ThreadObject(Thread::Entry threadEntry, void* threadArgument)
        : entry(threadEntry), argument(threadArgument) {}
    ~ThreadObject();
    ThreadObject(const ThreadObject&) = delete;
    ThreadObject& operator=(const ThreadObject&) = delete;

    const Thread::Entry entry;
    void* const argument;
    pthread_t handle{};
    bool created = false;
    // Set by the new thread before it blocks at the gate; fixed afterwards.
    unsigned int tid = 0;
    // Signalled by the thread once its entry has returned.
    Event ended;

    // The start gate. `self` is the running thread's own reference, handed
    // over by Resume: it keeps the object alive until the entry returned.
    std::mutex gateLock;
    std::condition_variable gateChanged;
    Gate gate = Gate::kClosed;
    std::shared_ptr<ThreadObject> self;
};

namespace {

void* ThreadMain(void* raw) {
    ThreadObject& object = *static_cast<ThreadObject*>(raw);
    std::shared_ptr<ThreadObject> self;
    {
        std::unique_lock<std::mutex> lock(object.gateLock);
        object.tid = KernelThreadId();
        object.gateChanged.notify_all();
        object.gateChanged.wait(lock, [&object] { return object.gate != Gate::kClosed; });
        // Never resumed and no longer referenced: end without running.
        if (object.gate == Gate::kAbandon)
            return nullptr;
        self = std::move(object.self);
    }
    object.entry(object.argument);
    object.ended.Set();
    // The last reference may be this one: the object then goes here, on its
    // own thread, and detaches it.
    self.reset();
    return nullptr;
}

}  // namespace

ThreadObject::~ThreadObject() {
    if (!created)
        return;
    bool started;
    {
        std::lock_guard<std::mutex> lock(gateLock);
        started = gate == Gate::kRun;
        if (!started) {
            gate = Gate::kAbandon;
            gateChanged.notify_all();
        }
    }
    // A started thread holds its own reference until its entry returned, so
    // on any other thread it has ended (or is just leaving) and the join is
    // short; a thread never started ends at the gate. On its own thread the
    // object can only detach it.
    if (started && pthread_equal(pthread_self(), handle))
        pthread_detach(handle);
    else
        pthread_join(handle, nullptr);
}

Thread Thread::CreateSuspended(Entry entry, void* argument, std::size_t stackSize) {
    if (!entry)
        return Thread();
    std::shared_ptr<ThreadObject> object;
    try {
        object = std::make_shared<ThreadObject>(entry, argument);
    } catch (const std::bad_alloc&) {
        return Thread();
    }
    object->ended = Event::Create(true, false);
    if (!object->ended.IsValid())
        return Thread();

    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return Thread();
    int result = pthread_attr_setstacksize(&attributes, StackSizeFor(stackSize));
    if (result == 0)
        result = pthread_create(&object->handle, &attributes, &ThreadMain, object.get());
    pthread_attr_destroy(&attributes);
    if (result != 0)
        return Thread();
    object->created = true;

    // The id is known before the caller gets the thread.
    {
        std::unique_lock<std::mutex> lock(object->gateLock);
        object->gateChanged.wait(lock, [&object] { return object->tid != 0; });
    }
    return Thread(std::move(object));
}

bool Thread::Resume() const {
    if (!m_object)
        return false;
    std::lock_guard<std::mutex> lock(m_object->gateLock);
    if (m_object->gate != Gate::kClosed)
        return false;
    m_object->self = m_object;
    m_object->gate = Gate::kRun;
    m_object->gateChanged.notify_all();
    return true;
}

unsigned int Thread::Id() const {
    return m_object ? m_object->tid : 0;
}

std::uintptr_t Thread::HandleValue() const {
    return reinterpret_cast<std::uintptr_t>(m_object.get());
}

unsigned int Thread::Join(unsigned int milliseconds) const {
    // A thread waiting for its own end would wait for ever.
    if (!m_object || pthread_equal(pthread_self(), m_object->handle))
        return kWaitFailed;
    return m_object->ended.Wait(milliseconds);
}

bool Thread::HasEnded() const {
    return m_object && m_object->ended.IsSet();
}

bool Thread::SetPriority(int priority) const {
    // An ended thread's kernel id may already name another thread.
    if (!m_object || priority < kPriorityIdle || priority > kPriorityTimeCritical || HasEnded())
        return false;
    return setpriority(PRIO_PROCESS, static_cast<id_t>(m_object->tid),
                       NiceFromPriority(priority)) == 0;
}

int Thread::GetPriority() const {
    if (!m_object)
        return 0;
    // -1 is both a valid nice value and the error result.
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(m_object->tid));
    if (nice == -1 && errno != 0)
        return 0;
    return PriorityFromNice(nice);
}

bool Thread::SetName(const std::string& name) const {
    if (!m_object || HasEnded())
        return false;
    return pthread_setname_np(m_object->handle, KernelThreadName(name).c_str()) == 0;
}

// Thread messages.

namespace {

struct Message {
    unsigned int message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    MessageHandler handler;
};

// One thread's queue. `ready` is signalled exactly while messages wait, so a
// message-aware wait is a plain wait-any with `ready` as its last event.
struct MessageQueue {
    std::mutex lock;
    std::vector<Message> messages;
    Event ready;
};

// The queues by thread id. Never destroyed: threads may still post or end
// while the process exits.
struct QueueRegistry {
    std::mutex lock;
    std::unordered_map<unsigned int, std::shared_ptr<MessageQueue>> queues;
};

QueueRegistry& Queues() {
    static QueueRegistry* registry = new QueueRegistry;
    return *registry;
}

// The calling thread's queue; it leaves the registry when the thread ends.
struct OwnQueue {
    std::shared_ptr<MessageQueue> queue;
    unsigned int owner = 0;

    ~OwnQueue() {
        if (!queue)
            return;
        QueueRegistry& registry = Queues();
        std::lock_guard<std::mutex> lock(registry.lock);
        const auto it = registry.queues.find(owner);
        if (it != registry.queues.end() && it->second == queue)
            registry.queues.erase(it);
    }
};

thread_local OwnQueue t_ownQueue;

MessageQueue* EnsureOwnQueue() {
    if (t_ownQueue.queue)
        return t_ownQueue.queue.get();
    try {
        auto queue = std::make_shared<MessageQueue>();
        queue->ready = Event::Create(true, false);
        if (!queue->ready.IsValid())
            return nullptr;
        const unsigned int owner = KernelThreadId();
        {
            QueueRegistry& registry = Queues();
            std::lock_guard<std::mutex> lock(registry.lock);
            registry.queues[owner] = queue;
        }
        t_ownQueue.owner = owner;
        t_ownQueue.queue = std::move(queue);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return t_ownQueue.queue.get();
}

}  // namespace

void EnsureMessageQueue() {
    EnsureOwnQueue();
}

bool PostThreadMessage(unsigned int threadId, unsigned int message, std::uintptr_t wParam,
                       std::intptr_t lParam, MessageHandler handler) {
    if (!handler)
        return false;
    std::shared_ptr<MessageQueue> queue;
    {
        QueueRegistry& registry = Queues();
        std::lock_guard<std::mutex> lock(registry.lock);
        const auto it = registry.queues.find(threadId);
        if (it == registry.queues.end())
            return false;
        queue = it->second;
    }
    try {
        // Signalled under the queue lock, so it cannot overtake a dispatch
        // that empties the queue and resets it.
        std::lock_guard<std::mutex> lock(queue->lock);
        queue->messages.push_back(Message{message, wParam, lParam, handler});
        queue->ready.Set();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

unsigned int WaitForEventsOrMessages(const Event* const* events, unsigned int count,
                                     unsigned int milliseconds) {
    // The queue's event takes the last of the places a wait has.
    if (count >= kMaxWaitObjects || (count > 0 && !events))
        return kWaitFailed;
    MessageQueue* queue = EnsureOwnQueue();
    if (!queue)
        return kWaitFailed;
    const Event* all[kMaxWaitObjects];
    std::copy(events, events + count, all);
    all[count] = &queue->ready;
    return Event::WaitMultiple(all, count + 1, false, milliseconds);
}

unsigned int DispatchMessages() {
    MessageQueue* queue = t_ownQueue.queue.get();
    if (!queue)
        return 0;
    // The messages waiting now; handlers run without any lock, so they may
    // post again (those run on the next call).
    std::vector<Message> batch;
    {
        std::lock_guard<std::mutex> lock(queue->lock);
        batch.swap(queue->messages);
        queue->ready.Reset();
    }
    for (const Message& message : batch)
        message.handler(message.message, message.wParam, message.lParam);
    return static_cast<unsigned int>(batch.size());
}

void RequestPreciseWakeups() {
    // The slack is per thread; 1 ns is the smallest the kernel takes.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

// The debugger.

bool IsDebuggerAttached() {
    const int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string status;
    char buffer[1024];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        status.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    static const char kTracer[] = "\nTracerPid:";
    const std::size_t at = status.find(kTracer);
    if (at == std::string::npos)
        return false;
    return std::strtol(status.c_str() + at + sizeof kTracer - 1, nullptr, 10) != 0;
}

void DebugOutput(const char* text) {
    // One write, so that lines of several threads do not interleave.
    std::string line(text ? text : "");
    if (line.empty() || line.back() != '\n')
        line.push_back('\n');
    ssize_t written;
    do {
        written = write(STDERR_FILENO, line.data(), line.size());
    } while (written < 0 && errno == EINTR);
}

}  // namespace Varn::platform
