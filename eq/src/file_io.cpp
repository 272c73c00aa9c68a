#include "file_io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace oro::eq::detail {
namespace fs = std::filesystem;

ReadResult ReadWholeFile(const std::string& path, std::size_t limit) {
  ReadResult r;
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st)) {
    const bool missing = !ec || ec == std::errc::no_such_file_or_directory;
    r.status = missing ? ReadStatus::kMissing : ReadStatus::kFailed;
    r.error = path + ": " + (missing ? "no such file" : ec.message());
    return r;
  }
  if (!fs::is_regular_file(st)) {
    r.error = path + ": not a regular file";
    return r;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    r.error = path + ": " + std::strerror(errno);
    return r;
  }
  // Read one byte past the limit to see an oversized file without trusting its size.
  r.bytes.resize(limit + 1);
  in.read(reinterpret_cast<char*>(r.bytes.data()), static_cast<std::streamsize>(r.bytes.size()));
  if (in.bad()) {
    r.error = path + ": read error";
    r.bytes.clear();
    return r;
  }
  r.bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (r.bytes.size() > limit) {
    r.status = ReadStatus::kTooLarge;
    r.error = path + ": larger than " + std::to_string(limit) + " bytes";
    r.bytes.clear();
    return r;
  }
  r.status = ReadStatus::kOk;
  return r;
}

std::string ReplaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const fs::path target(path);
  std::error_code ec;
  const fs::path folder = target.parent_path();
  if (!folder.empty() && !fs::is_directory(folder, ec)) {
    fs::create_directories(folder, ec);
    if (ec) return "cannot create the folder " + folder.string() + ": " + ec.message();
    fs::permissions(folder,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    ec);
  }

  std::random_device random;
  fs::path temp = target;
  temp += ".tmp" + std::to_string(random());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return "cannot write " + temp.string() + ": " + std::strerror(errno);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      const std::string why = std::strerror(errno);
      out.close();
      fs::remove(temp, ec);
      return "cannot write " + path + ": " + why;
    }
    out.close();
    if (!out) {
      fs::remove(temp, ec);
      return "cannot write " + path + ": " + std::strerror(errno);
    }
  }
  fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read,
                  ec);
  if (!ec) fs::rename(temp, target, ec);
  if (ec) {
    const std::string why = ec.message();
    fs::remove(temp, ec);
    return "cannot write " + path + ": " + why;
  }
  return {};
}

}  // namespace oro::eq::detail
