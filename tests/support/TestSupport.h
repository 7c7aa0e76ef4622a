#pragma once
// Small helpers shared by the tests: a scratch folder removed afterwards, and files
// written from bytes.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

//! A fresh folder under the system's temporary folder, removed with its contents.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    //! The folder, with a trailing '/'.
    const std::string& Path() const { return path_; }
    //! Path() + name.
    std::string File(const std::string& name) const { return path_ + name; }
    //! Names of the files in the folder, sorted.
    std::vector<std::string> List() const;

private:
    std::string path_;
};

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

//! Appends the bytes of a plain value (little-endian on this machine).
template <typename T>
void Put(std::vector<std::uint8_t>& out, const T& value)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
    out.insert(out.end(), p, p + sizeof(T));
}

//! A desktop locale whose decimal separator is the comma (scripts/deps installs it).
inline constexpr const char* kCommaLocale = "de_DE.UTF-8";

//! Sets the C library's number formatting (LC_NUMERIC) to kCommaLocale while it lives, as
//! a German desktop would have it, and back to what it was after; Active() is false when
//! that locale is not installed.
class CommaNumericLocale {
public:
    CommaNumericLocale();
    ~CommaNumericLocale();
    CommaNumericLocale(const CommaNumericLocale&) = delete;
    CommaNumericLocale& operator=(const CommaNumericLocale&) = delete;
    bool Active() const { return active_; }

private:
    std::string old_;
    bool active_ = false;
};

//! `count` values drawn evenly from lo … hi by a generator of the given seed.
std::vector<std::int32_t> RandomValues(int count, std::int64_t lo, std::int64_t hi,
                                       std::uint32_t seed);

//! Runs `body` and gives it `seconds` to end. When it has not ended by then (blocked
//! opening one of the FIFOs), a watchdog thread opens each FIFO for writing and closes it
//! again until the body ends, so that a blocked open returns and the test fails instead of
//! hanging. True when the body ended in time.
bool EndsWithoutWaitingOn(const std::vector<std::string>& fifos, const std::function<void()>& body,
                          double seconds = 10);

//! Compares doubles relative to the expected value (1e-12), exact at zero.
bool Near(double actual, double expected, double relative = 1e-12);

}  // namespace testsupport
