#include "oro/eq/curve_store.h"

#include <filesystem>

#include "file_io.h"

namespace oro::eq {
namespace {

// Anything much larger than the image is not a curves file; it is not read.
constexpr std::size_t kReadLimit = 64 * 1024;

// Moves a damaged file to the first free "<path>.damaged[.N]".
std::string MoveAside(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::exists(path, ec)) return {};
  for (int n = 0; n < 100; ++n) {
    const std::string aside = path + ".damaged" + (n ? "." + std::to_string(n) : "");
    if (fs::exists(aside, ec)) continue;
    fs::rename(path, aside, ec);
    return ec ? "cannot keep the damaged " + path + " aside: " + ec.message() : std::string();
  }
  return "cannot keep the damaged " + path + " aside: too many earlier copies";
}

}  // namespace

std::string CurveStore::PathIn(const std::string& state_dir) { return state_dir + "/config/eqs.bin"; }

CurveStore::CurveStore(std::string path) : path_(std::move(path)) {}

CurveStore::LoadResult CurveStore::Load() {
  LoadResult result;
  image_ = CurveImage();
  keep_original_ = false;
  detail::ReadResult read = detail::ReadWholeFile(path_, kReadLimit);
  switch (read.status) {
    case detail::ReadStatus::kMissing: {
      result.status = LoadStatus::kCreated;
      const std::string error = detail::ReplaceFile(path_, EncodeCurveFile(image_));
      if (!error.empty()) result.notes.push_back(error);
      return result;
    }
    case detail::ReadStatus::kTooLarge:
    case detail::ReadStatus::kFailed:
      result.status = LoadStatus::kUnreadable;
      result.notes.push_back(read.error);
      keep_original_ = true;
      return result;
    case detail::ReadStatus::kOk:
      break;
  }
  DecodedCurves decoded = DecodeCurveFile(read.bytes);
  image_ = std::move(decoded.image);
  if (!decoded.repairs.empty()) {
    result.status = LoadStatus::kRepaired;
    result.notes = std::move(decoded.repairs);
    keep_original_ = true;
  }
  return result;
}

std::string CurveStore::Commit(const CurveImage& next) {
  if (keep_original_) {
    const std::string error = MoveAside(path_);
    if (!error.empty()) return error;
    keep_original_ = false;
  }
  std::string error = detail::ReplaceFile(path_, EncodeCurveFile(next));
  if (error.empty()) image_ = next;
  return error;
}

CurveStore::SaveResult CurveStore::Save(const std::wstring& name, const Gains& gains) {
  SaveResult result;
  const std::wstring fitted = FitCurveName(name);
  CurveImage next = image_;
  int index = next.Find(fitted);
  if (index >= 0) {
    next.curves[static_cast<std::size_t>(index)].gains = gains;
    result.status = SaveStatus::kReplaced;
  } else if (next.curves.size() >= kMaxCurves) {
    result.status = SaveStatus::kFull;
    return result;
  } else {
    index = static_cast<int>(next.curves.size());
    next.curves.push_back(Curve{fitted, gains});
    result.status = SaveStatus::kAdded;
  }
  next.current = index;
  result.error = Commit(next);
  if (!result.error.empty()) {
    result.status = SaveStatus::kWriteFailed;
    return result;
  }
  result.index = index;
  return result;
}

CurveStore::DeleteResult CurveStore::Delete(const std::wstring& name) {
  DeleteResult result;
  CurveImage next = image_;
  const int index = next.Find(name);
  if (index >= 0) {
    result.found = true;
    next.curves.erase(next.curves.begin() + index);
    const int count = static_cast<int>(next.curves.size());
    if (next.current >= count) --next.current;
    if (count == 0 || next.current < 0) next.current = 0;
  }
  result.error = Commit(next);
  return result;
}

std::optional<Gains> CurveStore::Choose(const std::wstring& name) {
  const int index = image_.Find(name);
  if (index < 0) return std::nullopt;
  image_.current = index;
  return image_.curves[static_cast<std::size_t>(index)].gains;
}

}  // namespace oro::eq
