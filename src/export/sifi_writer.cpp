// The writer's two halves meet here: the layout (sifi_layout) sizes and checks everything
// first, then the emitter (sifi_emitter) streams the bytes into memory or, gathered into large
// writes, into a file that replaces its target only once complete.

#include "export/sifi_writer.h"

#include <cstddef>
#include <span>
#include <system_error>
#include <utility>

#include "base/atomic_file.h"
#include "export/gathered_writes.h"
#include "export/sifi_emitter.h"
#include "export/sifi_layout.h"

namespace tolvane {

using namespace sifi_writing;

namespace {

// The reason a file operation failed, as the system words it: taken from the call that failed,
// not from errno, which later calls (removing the temporary file, Windows' own calls) change.
ExportResult FileFailure(ExportError error, const char* what, const std::error_code& reason) {
  return {error, what + reason.message(), {}, {}, reason};
}

}  // namespace

ExportResult SerializeExportSet(const ExportSet& set, std::vector<std::byte>& out) {
  out.clear();
  FileLayout layout;
  ExportResult laidOut = LayOutFile(set, layout);
  if (!laidOut) return laidOut;
  out.reserve(layout.length);
  EmitFile(
      layout, out, [](std::vector<std::byte>&) { return true; },
      [&out](std::span<const std::byte> bytes) {
        out.insert(out.end(), bytes.begin(), bytes.end());
        return true;
      },
      [](std::size_t) { return true; });
  return laidOut;
}

ExportResult WriteExportSet(const ExportSet& set, const std::filesystem::path& path,
                            WorkProgress* progress) {
  // Everything is sized and checked first, so a set the format cannot hold creates no file.
  FileLayout layout;
  ExportResult laidOut = LayOutFile(set, layout);
  if (!laidOut) return laidOut;

  AtomicFileWriter file(path, WriteCaching::kBypassCache);
  if (!file.Open())
    return FileFailure(ExportError::kCannotCreateFile, "cannot create the file: ", file.error());
  std::vector<std::byte> buffer;
  GatheredWrites writes(file);
  const std::size_t groups = layout.groups.size();
  const bool written =
      EmitFile(
          layout, buffer, [&writes](std::vector<std::byte>& bytes) { return writes.Flush(bytes); },
          [&writes](std::span<const std::byte> bytes) { return writes.Pass(bytes); },
          [progress, groups](std::size_t done) {
            ReportStep(progress, kWritingGroupsStep, done, groups);
            return !WorkCancelled(progress);
          }) &&
      writes.WriteOut();
  // The writer, going out of scope uncommitted, takes its temporary file with it.
  if (WorkCancelled(progress)) return {ExportError::kCancelled, "export cancelled", {}, {}, {}};
  if (!written || !file.Commit())
    return FileFailure(ExportError::kWriteFailed, "writing the file failed: ", file.error());
  return laidOut;
}

}  // namespace tolvane
