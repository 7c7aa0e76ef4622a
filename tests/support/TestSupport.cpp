#include "support/TestSupport.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace testsupport {

ScratchDir::ScratchDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "morvane-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create a scratch folder");
    path_ = tmpl + "/";
}

ScratchDir::~ScratchDir()
{
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> ScratchDir::List() const
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

CommaNumericLocale::CommaNumericLocale()
{
    if (const char* old = std::setlocale(LC_NUMERIC, nullptr))
        old_ = old;
    active_ = std::setlocale(LC_NUMERIC, kCommaLocale) != nullptr;
}

CommaNumericLocale::~CommaNumericLocale()
{
    std::setlocale(LC_NUMERIC, old_.empty() ? "C" : old_.c_str());
}

std::vector<std::int32_t> RandomValues(int count, std::int64_t lo, std::int64_t hi,
                                       std::uint32_t seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<std::int64_t> pick(lo, hi);
    std::vector<std::int32_t> v(static_cast<std::size_t>(count));
    for (auto& x : v)
        x = static_cast<std::int32_t>(pick(rng));
    return v;
}

bool Near(double actual, double expected, double relative)
{
    if (expected == 0.0)
        return actual == 0.0;
    return std::fabs(actual - expected) <= relative * std::fabs(expected);
}

bool EndsWithoutWaitingOn(const std::vector<std::string>& fifos, const std::function<void()>& body,
                          double seconds)
{
    std::atomic<bool> ended{false};
    std::atomic<bool> late{false};
    std::thread watchdog([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (!ended.load() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        // A writer that comes and goes lets a blocked reader's open return; it then reads
        // the end of the data.
        while (!ended.load()) {
            late.store(true);
            for (const std::string& fifo : fifos) {
                const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0)
                    ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    body();
    ended.store(true);
    watchdog.join();
    return !late.load();
}

}  // namespace testsupport
