// ".reg" files as a registry editor writes and imports them: UTF-16LE with a
// byte-order mark, "Windows Registry Editor Version 5.00", CRLF line ends, one
// block per key. Names and values are escaped, so any text survives a round
// trip, Chinese device names included.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace oro::common {

class RegFileBuilder {
 public:
  RegFileBuilder();

  // Starts the block of one key: "[HKEY_...\\...]". Blocks end with an empty line.
  void BeginKey(const std::wstring& full_path);
  // One value in the form the registry editor uses for its type: "text",
  // dword:0000000a, hex:..., hex(7):... for multi-strings, hex(N):... for the
  // rest. An empty name is the key's default value (@).
  void AddValue(const std::wstring& name, std::uint32_t type, const std::vector<std::uint8_t>& data);
  void AddString(const std::wstring& name, const std::wstring& value);

  // The whole text, with CRLF line ends.
  std::wstring Text() const;
  // The file's bytes: byte-order mark and the text in UTF-16LE.
  std::vector<std::uint8_t> Bytes() const;

 private:
  void CloseBlock();
  void AddHex(const std::wstring& prefix, const std::vector<std::uint8_t>& data);

  std::wstring text_;
  bool in_block_ = false;
};

// A file written beside its target under a temporary name and renamed over
// it once complete, so a failed write never destroys the file that was there.
// The temporary file is removed unless Commit succeeds.
class ReplacingFile {
 public:
  // Throws RegistryException "Error while opening file P for writing" when the
  // temporary file cannot be created.
  explicit ReplacingFile(const std::wstring& path);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Writes the bytes and renames the file into place; throws RegistryException
  // "Error while writing file P: <text>" when any step fails.
  void Commit(const std::vector<std::uint8_t>& bytes);

 private:
  struct Data;
  std::unique_ptr<Data> d_;
};

}  // namespace oro::common
