// A scratch folder per fuzzing process, with the environment that keeps the
// platform libraries' logs and pauses inside it.
#ifndef IXOR_FUZZ_SCRATCH_H
#define IXOR_FUZZ_SCRATCH_H

#include <string>

namespace ixor_fuzz {

// Created on first use below TMPDIR; sets IXOR_LOG_DIR, IXOR_LOG_LEVEL=0
// and IXOR_SLEEP_UNIT_MS=1 and registers the process log there.
const std::string &scratch_dir();

void write_bytes(const std::string &path, const std::string &bytes);
std::string read_bytes(const std::string &path);

// Stops the run so that libFuzzer records the input.
[[noreturn]] void fail(const char *what);

}  // namespace ixor_fuzz

#endif
