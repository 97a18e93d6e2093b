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

// The first line of a row's tool tip when the list shows the instrument's name shortened.
inline constexpr char kImportedAsTip[] = "Imported as: %1";

// The list's column titles, left to right.
inline constexpr std::array<const char*, 6> kColumnTitles = {"Sound-Name", "Category", "Coll",
                                                             "Samples",    "Size",     "SoundID"};

// The status line (printf formats).
inline constexpr char kStartStatus[] = "Tolvane Import...";
inline constexpr char kSelectedStatus[] = "%d Instruments selected, %d.%02dMB Samples";
inline constexpr char kLoadedStatus[] = "%d Instruments loaded";
// After the count while exports trim or fold samples: what the two exports would write.
inline constexpr char kExportSizeStatus[] = "%1 - export: %2 collection, %3 single files";
// After the count, when files of the drop were not imported whole (some instruments came from
// them) or not read at all (none did), joined by ", "; the list they open has it as its title.
inline constexpr char kNotWholeOneStatus[] = "1 file not imported whole";
inline constexpr char kNotWholeStatus[] = "%1 files not imported whole";
inline constexpr char kNotReadOneStatus[] = "1 file not read";
inline constexpr char kNotReadStatus[] = "%1 files not read";
// The count, then what a click on the status line opens, drawn as a link.
inline constexpr char kStatusLinkFormat[] = "%1 - <a href=\"details\">%2</a>";
inline constexpr char kCopyButton[] = "Copy";
inline constexpr char kCloseButton[] = "Close";

// Long work: its progress (a title, then what WorkRunner adds), the way out, and its ends.
inline constexpr char kImportingTitle[] = "Importing";
inline constexpr char kExportingTitle[] = "Exporting";
inline constexpr char kCancelHint[] = "Escape cancels";
inline constexpr char kCancellingStatus[] = "Cancelling...";
inline constexpr char kImportCancelledStatus[] = "Import cancelled, the list is as it was";
inline constexpr char kExportCancelledStatus[] = "Export cancelled";
inline constexpr char kCollectionWrittenStatus[] = "Collection written: %1";
// After the written status when the export's options trimmed or folded samples.
inline constexpr char kSavedStatus[] = "%1 (%2 less sample data)";
inline constexpr char kFilesWrittenStatus[] = "%1 files written to %2";
inline constexpr char kOneFileWrittenStatus[] = "1 file written to %1";
inline constexpr char kSomeFilesFailedStatus[] = "%1 of %2 files written to %3, %4 failed";
inline constexpr char kSomeFilesFailedText[] = "%1 of %2 files were written to %3. Not written:";
inline constexpr char kMoreFailures[] = "... and %1 more (see the details)";
// A single-instrument export that stopped since the folder takes no file: said once, with the
// system's reason, however many files were still to come.
inline constexpr char kFolderRefusedText[] = "No file can be created in %1: %2.";
inline constexpr char kFolderRefusedWrittenText[] = "%1 of %2 files were written before that.";

// The right-click menu; the category names come from the category table.
inline constexpr char kMenuCheck[] = "Check";
inline constexpr char kMenuUncheck[] = "Uncheck";
inline constexpr char kMenuDelete[] = "Delete";
inline constexpr char kMenuCategory[] = "Category";
// A category for every row still without one, from its name; and taking that back.
inline constexpr char kMenuSuggestCategories[] = "Suggest from Names";
inline constexpr char kMenuUndoSuggestions[] = "Undo Suggested Categories";
inline constexpr char kSuggestedStatus[] =
    "Categories suggested for %1 of %2 instruments (Category > Undo Suggested Categories takes "
    "them back)";
inline constexpr char kNothingSuggestedStatus[] =
    "No category suggested: every instrument has one, or its name says nothing";
inline constexpr char kUndoneStatus[] = "%1 suggested categories taken back";
// How a dropped folder's sample names are read when they do not tell themselves.
inline constexpr char kMenuMiddleC[] = "Sample Names: Middle C";
inline constexpr char kMenuMiddleC3[] = "C3 (Yamaha, Bitwig, Decent Sampler)";
inline constexpr char kMenuMiddleC4[] = "C4 (SFZ, MIDI standard)";
// What a dropped SoundFont bank gives: one instrument per preset, or per instrument record.
inline constexpr char kMenuSoundFontPresets[] = "SoundFont: One Instrument per Preset";
inline constexpr char kMenuSnapLoops[] = "Export: Snap Clicking Loops to Zero Crossings";
// Whether exports bring each group's loudest value to a level.
inline constexpr char kMenuNormalize[] = "Export: Normalize";
inline constexpr char kMenuNormalizeOff[] = "Off (samples as they are)";
inline constexpr char kMenuNormalizeLevel[] = "To %1 dBFS";
// Whether exports seek sustain loops where samples have none, and over how long a crossfade.
inline constexpr char kMenuAutoLoop[] = "Export: Find Sustain Loops";
inline constexpr char kMenuAutoLoopOff[] = "Off (samples as they are)";
inline constexpr char kMenuAutoLoopPlain[] = "On, No Crossfade";
inline constexpr char kMenuAutoLoopCrossfade[] = "On, %1 ms Crossfade";
inline constexpr char kMenuDetectRoot[] = "Export: Detect Root Keys Not Given";

// The instrument panel under the list.
inline constexpr char kPanelTip[] =
    "Click a key or a zone to hear it; the computer keys Z to M play from C3, Q to U from C4";
inline constexpr char kPanelEmpty[] = "The current row's zones and samples show here";
inline constexpr char kPanelJunction[] = "%1: loop %2-%3, its end joined to its start";
inline constexpr char kPanelNoOutput[] = "Choose an Audio Output above to hear the keys";

// Files and folders added as if dropped.
inline constexpr char kAddFilesButton[] = "Add Files...";
inline constexpr char kAddFolderButton[] = "Add Folder...";
inline constexpr char kAddFilesTitle[] = "Add Files (Ctrl+O)";
inline constexpr char kAddFolderTitle[] = "Add Folder (Ctrl+Shift+O)";
inline constexpr char kAddFilesFilter[] = "Instruments and Sounds (%1)";
// Whether exports cut samples' quiet ends, and store stereo samples as mono.
inline constexpr char kMenuTrim[] = "Export: Trim Silence";
inline constexpr char kMenuTrimOff[] = "Off (samples whole)";
inline constexpr char kMenuTrimLevel[] = "Below %1 dBFS";
inline constexpr char kMenuMono[] = "Export: Mono";
inline constexpr char kMenuMonoOff[] = "Off (stereo samples as they are)";
inline constexpr char kMenuMonoSame[] = "Stereo Samples of Equal Channels";
inline constexpr char kMenuMonoAll[] = "All Stereo Samples (Changes the Sound)";
// The highest sample rate exports write: samples above it are resampled.
inline constexpr char kMenuRate[] = "Export: Sample Rate";
inline constexpr char kMenuRateOff[] = "Off (each sample at its own rate)";
inline constexpr char kMenuRateHz[] = "At Most %1 Hz";

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
// Looped samples whose junction clicks, told after an export that wrote files.
inline constexpr char kClickingLoopsCaption[] = "Export";
inline constexpr char kClickingLoopsText[] = "%1 looped samples click where their loop ends.";
inline constexpr char kSoundNotesText[] =
    "%1 notes on the loops found and the root keys measured (see details).";
inline constexpr char kNameClashesText[] =
    "The sampler cannot tell some of these instruments apart: they share a SoundID or a name.";

// The sound database that could not be read, told once, at the first category chosen.
inline constexpr char kDatabaseCaption[] = "Categories";
inline constexpr char kDatabaseUnreadableText[] =
    "The sound database %1 cannot be read (%2). Categories chosen while the program runs are "
    "shown, but they are not kept after it ends.";

}  // namespace tolvane::texts
