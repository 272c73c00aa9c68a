// The custom curves as the panel and oroctl keep them: the image of
// "config/eqs.bin" in memory, written back whole after every save and delete.
// A write goes to a temporary file renamed over the old one, so a crash or a
// full disk leaves the saved curves as they were; a failed write also leaves
// the image in memory unchanged. A damaged file is moved aside, never
// overwritten, the first time the store writes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "oro/eq/curve_file.h"

namespace oro::eq {

// The message shown when an eleventh curve is saved.
inline constexpr const char* kTooManyCurvesMessage = "too many EQ info to save";

class CurveStore {
 public:
  // Where the file lives for a state folder: DIR/config/eqs.bin.
  static std::string PathIn(const std::string& state_dir);

  explicit CurveStore(std::string path);

  enum class LoadStatus {
    kLoaded,      // a sound file
    kCreated,     // there was none; an empty one is written
    kRepaired,    // read with repairs (see notes); the original is kept aside on the next write
    kUnreadable,  // could not be read; the store starts empty and keeps the file aside on the next write
  };
  struct LoadResult {
    LoadStatus status = LoadStatus::kLoaded;
    std::vector<std::string> notes;  // repairs made, or why the file could not be read or created
  };
  LoadResult Load();

  enum class SaveStatus { kAdded, kReplaced, kFull, kWriteFailed };
  struct SaveResult {
    SaveStatus status = SaveStatus::kWriteFailed;
    int index = -1;
    std::string error;  // for kWriteFailed
  };
  // Saves under the name cut to what the file holds; an existing name keeps
  // its place and gets the new gains. The new curve becomes the current one.
  SaveResult Save(const std::wstring& name, const Gains& gains);

  struct DeleteResult {
    bool found = false;
    std::string error;  // non-empty when the file could not be written
  };
  DeleteResult Delete(const std::wstring& name);

  // Makes the named curve current in memory (the file is not written) and
  // returns its gains; nothing when there is no such curve.
  std::optional<Gains> Choose(const std::wstring& name);

  const CurveImage& Image() const { return image_; }
  const std::string& Path() const { return path_; }

 private:
  // Writes `next` and adopts it; returns what went wrong otherwise.
  std::string Commit(const CurveImage& next);

  std::string path_;
  CurveImage image_;
  bool keep_original_ = false;
};

}  // namespace oro::eq
