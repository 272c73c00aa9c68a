#include "file_io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "oro/platform/file_reader.h"

namespace oro::eq::detail {
namespace fs = std::filesystem;

ReadResult ReadWholeFile(const std::string& path, std::size_t limit) {
  ReadResult r;
  const platform::FileReadError error =
      platform::ReadBoundedFile(path, platform::FileSizeBounds::AtMost(limit), &r.bytes, &r.error);
  switch (error) {
    case platform::FileReadError::kNone:
      r.status = ReadStatus::kOk;
      break;
    case platform::FileReadError::kNotFound:
      r.status = ReadStatus::kMissing;
      break;
    case platform::FileReadError::kWrongSize:
      r.status = ReadStatus::kTooLarge;
      break;
    default:
      r.status = ReadStatus::kFailed;
      break;
  }
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
