// Storage of each thread, kept by the system, with a clean-up when the
// thread ends. The Windows build's C++ runtime runs thread_local
// destructors after it has freed the storage they live in, so nothing of
// this library keeps a thread_local object with a destructor.
#ifndef IXORBASE_THREAD_SLOT_H
#define IXORBASE_THREAD_SLOT_H

namespace ixorbase {

// What a slot holds; deleted when its thread ends.
struct ThreadValue {
    virtual ~ThreadValue() = default;
};

class ThreadSlot {
public:
    ThreadSlot();
    // Gives the key back, so that no thread's end calls into an unloaded
    // library; values still held are deleted (Windows) or left (POSIX).
    ~ThreadSlot();
    ThreadSlot(const ThreadSlot &) = delete;
    ThreadSlot &operator=(const ThreadSlot &) = delete;

    // The calling thread's value; null before its first set.
    ThreadValue *get() const;
    // Takes ownership on success only.
    bool set(ThreadValue *value);

private:
    unsigned long key_ = 0;
    bool valid_ = false;
};

}  // namespace ixorbase

#endif
