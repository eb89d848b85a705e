// The same file I/O as the library's calls, done by hand with no INI
// model, no application home and no log: the baselines of the figures.
#ifndef IXOR_BENCH_RAW_IO_H
#define IXOR_BENCH_RAW_IO_H

#include <string>

namespace ixor_bench {

// The whole file, read without a lock; for preparing baselines.
std::string file_bytes(const std::string &path);

// open, flock, read the whole file, close; returns the bytes read.
size_t raw_locked_read(const std::string &path);

// The I/O that every locked read of the library makes by contract, by
// hand: the application home read from its file, the file's existence
// tested, its own lock file opened and locked, the file read, the lock
// released. Returns the bytes read.
size_t raw_frame_read(const std::string &apphome_ini, const std::string &path);

// Writes a temporary file beside the target, fsyncs it and renames it over
// the target. With durable set the directory is fsynced afterwards too.
void raw_replace(const std::string &path, const std::string &data, bool durable);

}  // namespace ixor_bench

#endif
