#pragma once
// Every text the window program shows, each spelled once: captions, labels, status formats, menu
// names, prompt titles and messages.

#include <array>

namespace tolvane::texts {

// The dialog and its controls.
inline constexpr char kDialogTitle[] = "Tolvane Sound Converter";
inline constexpr char kMidiInputLabel[] = "MIDI Input";
inline constexpr char kAudioOutputLabel[] = "Audio Output";
inline constexpr char kInstrumentsLabel[] = "Instruments";
inline constexpr char kListName[] = "List1";
inline constexpr char kSelectGroup[] = "Select";
inline constexpr char kAllButton[] = "All";
inline constexpr char kNoneButton[] = "None";
inline constexpr char kExportGroup[] = "Export";
inline constexpr char kSingleButton[] = "Single Instruments";
inline constexpr char kCollectionButton[] = "Instrument Collection";
inline constexpr char kDropHint[] = "Just drop Audio-Files or Sound-Banks onto Dialog";

// The list's column titles, left to right.
inline constexpr std::array<const char*, 6> kColumnTitles = {"Sound-Name", "Category", "Coll",
                                                             "Samples",    "Size",     "SoundID"};

// The status line (printf formats).
inline constexpr char kStartStatus[] = "Tolvane Import...";
inline constexpr char kSelectedStatus[] = "%d Instruments selected, %d.%02dMB Samples";
inline constexpr char kLoadedStatus[] = "%d Instruments loaded";

// The right-click menu; the category names come from the category table.
inline constexpr char kMenuCheck[] = "Check";
inline constexpr char kMenuUncheck[] = "Uncheck";
inline constexpr char kMenuDelete[] = "Delete";
inline constexpr char kMenuCategory[] = "Category";

// The export prompts and their messages.
inline constexpr char kCollectionPromptTitle[] = "Select Filename for Sound-Collection...";
inline constexpr char kCollectionFilter[] = "Sound-Collections (*.SLC)";
inline constexpr char kAllFilesFilter[] = "All Files (*.*)";
inline constexpr char kCollectionSuffix[] = "SLC";
inline constexpr char kFolderPromptTitle[] = "Export Instrument to...";
inline constexpr char kInvalidFolderText[] = "Invalid Directory!";
inline constexpr char kInvalidFolderCaption[] = "Input Error";
inline constexpr char kExportFailedText[] = "Unable to Export Instruments (Maybe too complex!)";
inline constexpr char kExportFailedCaption[] = "Error!";
// Details under the export failure, for the cases the export itself gives no reason for.
inline constexpr char kNothingCheckedReason[] = "No instrument is checked.";
inline constexpr char kNoSamplesReason[] = "None of the checked instruments has samples.";

}  // namespace tolvane::texts
