#include "StringTable.h"

#include "MessageCatalogue.h"
#include "Resource.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>

namespace {

struct StringEntry {
    unsigned id;
    std::string_view text;
};

// Sorted by id.
constexpr StringEntry kStrings[] = {
    {IDS_ABOUTBOX, "&About..."},
    {IDS_SECTION_MAIN, "Main"},
    {IDS_ENTRY_WINDOW, "Window"},
    {IDS_ENTRY_FONT, "Font"},
    {IDS_ENTRY_HELP, "Help"},
    {IDS_TIP_FOLDER, "Folder to scan"},
    {IDS_TIP_FIND, "Find folder"},
    {IDS_TIP_SCAN, "Scan now"},
    {IDS_TIP_EXIT, "Exit the application"},
    {IDS_TIP_LIST, "Scan details"},
    {IDS_FOLDER_FILTER, "All files (*.*)|*.*||"},
    {IDS_TIP_STOP, "Abort scanning"},
    {IDS_ENTRY_NOEXT, "NoExt"},
    {IDS_ENTRY_ONE_FILE_SYSTEM, "OneFileSystem"},
    {IDS_ENTRY_EXCLUDE, "Exclude"},
    {IDS_ENTRY_ON_DISK, "OnDisk"},
    {IDS_ENTRY_LINKS_ONCE, "LinksOnce"},
    {IDS_SELECT_FOLDER_TITLE, "Select file folder"},
    {IDS_FOLDER_LABEL, "Folder:"},
    {IDS_PROPERTIES_BUTTON, "Properties..."},
    {IDS_INVALID_FOLDER, "Invalid file folder"},
    {IDS_PROPERTIES_CAPTION, "(%s) properties"},
    {IDS_CAPACITY_GB, "%lu.%lu GB capacity\n%lu.%lu GB free  (%d%%)"},
    {IDS_CAPACITY_MB, "%lu MB capacity\n%lu MB free  (%d%%)"},
    {IDS_FILE_SYSTEM, "\n\nFile system = %s,  %s\n"},
    {IDS_COMPRESSED, "compressed"},
    {IDS_NOT_COMPRESSED, "not compressed"},
    {IDS_NAME_LENGTH, "File name length up to %lu chars"},
    {IDS_NAMES_8_3, "8.3 file names"},
    {IDS_NAMES_LONG, "Long file names (up to 255 chars)"},
    {IDS_NOT_AVAILABLE, "Not available"},
    {IDS_SPECIFY_FOLDER, "Specify folder, please"},
    {IDS_FMT_FOLDERS, "%s Folders"},
    {IDS_FMT_FILES, ",   %s Files"},
    {IDS_FMT_BYTES, "%s bytes"},
    {IDS_OLEINIT_FAILED, "OleInit failed"},
    {IDS_SCAN_NOT_STARTED, "The scan could not be started"},
    {IDS_COLUMN_EXT, "Ext"},
    {IDS_COLUMN_COUNT, "Count"},
    {IDS_COLUMN_SIZE, "Size"},
    {IDS_COLUMN_PERCENT, "%"},
    {IDS_FMT_SELECTED_FILES, "%s files"},
    {IDS_FMT_SELECTED_BYTES, ",   %s bytes"},
    {IDS_FMT_SELECTED_PERCENT, " (%s%%)"},
    {IDS_NO_EXT_ROW, "(none)"},
    {IDS_FMT_SELECTED_FILE_ONE, "%s file"},
    {IDS_MENU_COPY, "&Copy"},
    {IDS_MENU_SAVE_LIST, "&Save list as..."},
    {IDS_SAVE_LIST_TITLE, "Save list as"},
    {IDS_FILTER_CSV, "CSV (*.csv)"},
    {IDS_FILTER_JSON, "JSON (*.json)"},
    {IDS_FMT_SAVE_FAILED, "The list could not be saved to %s:\n%s"},
    {IDS_FMT_REPLACE_FILE, "%s already exists.\nDo you want to replace it?"},
    {IDS_ACC_FOLDER, "Folder"},
    {IDS_ACC_CONTAINS, "Contains"},
    {IDS_ACC_SIZE, "Size"},
    {IDS_ACC_SELECTED, "Selected"},
    {IDS_ACC_LIST, "Extensions"},
    {IDS_ACC_OPTIONS, "Options"},
    {IDS_ACC_SIZE_ON_DISK, "Size on disk"},
    {IDS_TIP_INCOMPLETE, "The counts leave out:\n%s"},
    {IDS_FMT_NOT_LISTED_ONE, "%s folder could not be listed"},
    {IDS_FMT_NOT_LISTED_MANY, "%s folders could not be listed"},
    {IDS_FMT_NOT_ENTERED_ONE, "%s mount not entered"},
    {IDS_FMT_NOT_ENTERED_MANY, "%s mounts not entered"},
    {IDS_FMT_VANISHED_ONE, "%s entry vanished before it could be examined"},
    {IDS_FMT_VANISHED_MANY, "%s entries vanished before they could be examined"},
    {IDS_INCOMPLETE_SEPARATOR, "; "},
    {IDS_FMT_NOT_EXAMINED_ONE, "%s file could not be examined; its size is missing"},
    {IDS_FMT_NOT_EXAMINED_MANY, "%s files could not be examined; their sizes are missing"},
    {IDS_FMT_NOT_IN_ROWS_ONE, "%s file could not be given a row"},
    {IDS_FMT_NOT_IN_ROWS_MANY, "%s files could not be given a row"},
    {IDS_FMT_EXCLUDED_ONE, "%s entry excluded"},
    {IDS_FMT_EXCLUDED_MANY, "%s entries excluded"},
    {IDS_FMT_NOT_IN_LARGEST_ONE, "%s file could not be kept in the list of the largest"},
    {IDS_FMT_NOT_IN_LARGEST_MANY, "%s files could not be kept in the list of the largest"},
    {IDS_FMT_LINKS_UNCHECKED_ONE, "%s file with several links could not be checked"},
    {IDS_FMT_LINKS_UNCHECKED_MANY, "%s files with several links could not be checked"},
    {IDS_FMT_NOT_FOUND_ONE, "%s name in the list could not be found"},
    {IDS_FMT_NOT_FOUND_MANY, "%s names in the list could not be found"},
    {IDS_FMT_REPEATED_ONE, "%s name in the list was given again and counted once"},
    {IDS_FMT_REPEATED_MANY, "%s names in the list were given again and counted once"},
    {IDS_FMT_EMPTY_NAMES_ONE, "%s name in the list was empty"},
    {IDS_FMT_EMPTY_NAMES_MANY, "%s names in the list were empty"},
    // The command-line tool's texts (3000 to 3099) go here.
    {IDS_CLI_USAGE,
     "Usage: kestrum-scan [OPTION]... FOLDER\n"
     "  or:  kestrum-scan [OPTION]... --files0-from LIST\n"
     "  or:  kestrum-scan --compare OLD [OPTION]... FOLDER|NEW\n"
     "  or:  kestrum-scan --merge [OPTION]... SCAN...\n"
     "Counts the folders, files and bytes below FOLDER and groups the files by extension.\n"
     "\n"
     "Output:\n"
     "      --sort KEY        order the rows by ext (name, ascending; the default), count or\n"
     "                        size (largest first), or change (largest growth first; the\n"
     "                        default with --compare)\n"
     "      --top N           write only the first N rows of that order\n"
     "      --by ROWS         extension: one row per extension (the default); category: one\n"
     "                        row per file type from the shared-mime-info database (images,\n"
     "                        video, audio, documents, archives, source_code, programs,\n"
     "                        fonts, other)\n"
     "      --csv             write comma-separated values: ext,count,bytes,percent,category\n"
     "      --json            write one JSON object with raw numbers\n"
     "      --extensions-only leave out the \"(none)\" row of the files without an extension\n"
     "  -h, --human-readable  sizes in the text table as 1.5 KiB, 23 MiB (powers of 1024)\n"
     "      --si              the same in powers of 1000: 1.5 kB, 23 MB\n"
     "  -q, --quiet           of what could not be counted, say only the summary line, not\n"
     "                        each folder or file (standard error names the first 100 of each\n"
     "                        kind; --json lists them as \"problems\")\n"
     "\n"
     "What is counted:\n"
     "  -x, --one-file-system count folders on other file systems, but do not enter them\n"
     "      --exclude PATTERN leave out every entry whose name matches the shell PATTERN, a\n"
     "                        folder with everything below it (may be repeated)\n"
     "      --exclude-from FILE  the same for each pattern in FILE, one a line\n"
     "      --on-disk         sizes are the bytes allocated on disk, not the apparent sizes\n"
     "      --links-once      count a file with several hard links once\n"
     "  -j, --threads N       walk with N threads, 1 to 64 (default: twice the cores, at least 4)\n"
     "      --files0-from LIST  count the entries named in LIST (NUL-separated, \"-\" for\n"
     "                        standard input) as if they stood in one folder, instead of FOLDER\n"
     "\n"
     "Largest files:\n"
     "      --largest N       list the N largest files after the table\n"
     "      --ext LIST        only files with these extensions, e.g. .iso,.img (\"\" for the\n"
     "                        files without an extension)\n"
     "      --category LIST   also files of these categories, e.g. video,images\n"
     "\n"
     "Comparing:\n"
     "      --compare OLD     compare with the saved scan OLD (a --json file of kestrum-scan\n"
     "                        or Kestrum, or an export of ncdu -o or gdu -o): FOLDER is\n"
     "                        scanned, or the saved scan NEW read; every row shows its change\n"
     "\n"
     "Merging:\n"
     "      --merge           combine the saved scans SCAN... (of kestrum-scan --json, ncdu -o\n"
     "                        or gdu -o) into the table one scan of all their roots gives\n"
     "\n"
     "      --help            show this help\n"
     "      --version         show the version\n"
     "\n"
     "Names are written as they are, except that a byte that is not part of valid UTF-8 is\n"
     "written \\xHH (two lowercase hex digits) and a backslash is written \\x5c.\n"
     "\n"
     "Ctrl+C stops the walk and prints what was counted so far (exit status 130).\n"
     "Exit status: 0 done, 1 folder, list or scan file unreadable, a merged scan unfinished,\n"
     "output failed or cut short, 2 bad usage or scans made with different choices.\n"},
    {IDS_CLI_CONTAINS, "Contains:"},
    {IDS_CLI_SIZE, "Size:"},
    {IDS_CLI_FIELD, "%s %s"},
    {IDS_CLI_STATUS, "%s   %s"},
    {IDS_CLI_CANNOT_READ, "kestrum-scan: cannot read %s: %s"},
    {IDS_CLI_UNKNOWN_OPTION, "kestrum-scan: unknown option %s"},
    {IDS_CLI_BAD_SORT, "kestrum-scan: --sort takes ext, count, size or change, not %s"},
    {IDS_CLI_ONE_FORMAT, "kestrum-scan: --csv and --json cannot be combined"},
    {IDS_CLI_NO_FOLDER, "kestrum-scan: no folder given"},
    {IDS_CLI_EXTRA_ARGUMENT, "kestrum-scan: only one folder can be scanned, not also %s"},
    {IDS_CLI_INTERRUPTED, "kestrum-scan: interrupted; the counts cover only what was walked"},
    {IDS_CLI_WRITE_FAILED, "kestrum-scan: cannot write the output: %s"},
    {IDS_CLI_START_FAILED, "kestrum-scan: cannot start the scan: %s"},
    {IDS_CLI_REPORT_CUT_SHORT, "kestrum-scan: out of memory; the report was cut short after the rows shown"},
    {IDS_CLI_TRY_HELP, "Try 'kestrum-scan --help' for more information."},
    {IDS_CLI_MISSING_VALUE, "kestrum-scan: option %s needs a value"},
    {IDS_CLI_BAD_NUMBER, "kestrum-scan: %s takes a number %s, not %s"},
    {IDS_CLI_RANGE, "from %s to %s"},
    // An abbreviation that fits several options, then each of them (" '--name'").
    {IDS_CLI_AMBIGUOUS, "kestrum-scan: option '%s' is ambiguous; possibilities:%s"},
    {IDS_CLI_POSSIBILITY, " '--%s'"},
    {IDS_CLI_EXT_NEEDS_LARGEST, "kestrum-scan: --ext chooses the files --largest lists; give --largest N too"},
    {IDS_CLI_NO_VALUE, "kestrum-scan: option %s takes no value"},
    {IDS_CLI_EXCLUDE_PATH, "kestrum-scan: --exclude matches single names, which hold no \"/\": %s"},
    {IDS_CLI_OUT_OF_MEMORY, "kestrum-scan: out of memory"},
    // The units of -h and --si, from bytes up, separated by spaces.
    {IDS_CLI_UNITS_BINARY, "B KiB MiB GiB TiB PiB EiB"},
    {IDS_CLI_UNITS_SI, "B kB MB GB TB PB EB"},
    // A size with -h or --si: the number, then the unit.
    {IDS_CLI_HUMAN_SIZE, "%s %s"},
    {IDS_CLI_SIZE_ON_DISK, "Size on disk:"},
    // A byte total that reached the largest number a count holds: the true one is at least it.
    {IDS_CLI_AT_LEAST, "at least %s"},
    {IDS_CLI_LARGEST, "Largest files:"},
    {IDS_CLI_LARGEST_NONE, "(no such files)"},
    {IDS_CLI_BAD_EXTENSION, "kestrum-scan: --ext: no file has the extension %s (an extension starts at the last \".\" of a name)"},
    // What a scan could not count, one line each as du words them: the path, then the system's reason.
    {IDS_CLI_PROBLEM_NOT_LISTED, "kestrum-scan: cannot read directory '%s': %s"},
    {IDS_CLI_PROBLEM_NOT_ENTERED, "kestrum-scan: not entering the mount '%s'"},
    {IDS_CLI_PROBLEM_VANISHED, "kestrum-scan: cannot access '%s': %s"},
    {IDS_CLI_PROBLEM_NOT_EXAMINED, "kestrum-scan: cannot access '%s': %s"},
    // After the first lines of one kind: how many more of that kind were not named.
    {IDS_CLI_PROBLEMS_MORE, "kestrum-scan: ... and %s more"},
    {IDS_CLI_BAD_BY, "kestrum-scan: --by takes extension or category, not %s"},
    // The categories' machine names, then what was typed.
    {IDS_CLI_BAD_CATEGORY, "kestrum-scan: --category takes %s, not %s"},
    {IDS_CLI_CATEGORY_NEEDS_LARGEST, "kestrum-scan: --category chooses the files --largest lists; give --largest N too"},
    // A scan file that cannot be read back: the file, then the byte where the JSON goes wrong.
    {IDS_CLI_SCAN_FILE_NOT_JSON, "kestrum-scan: %s: not valid JSON (it breaks off or goes wrong at byte %s)"},
    // The file, then the JSON pointer of the value at fault ("/extensions/3/bytes").
    {IDS_CLI_SCAN_FILE_BAD_FIELD, "kestrum-scan: %s: %s is missing, of the wrong type or out of range"},
    {IDS_CLI_SCAN_FILE_TWICE, "kestrum-scan: %s: the extension %s is listed twice"},
    // The first line of --compare: the earlier scan's root, its date and time (UTC), then the
    // change in files ("+2,104") and in bytes ("+3.2 GiB").
    {IDS_CLI_COMPARE_SINCE, "since %s on %s UTC: %s files, %s"},
    // The option whose choice differs between the two scans: --one-file-system, --exclude or --links-once.
    {IDS_CLI_COMPARE_CHOICE, "kestrum-scan: the two scans were made with different %s; their counts cannot be compared"},
    // The saved scan, the folder it was made of, the folder compared with it.
    {IDS_CLI_COMPARE_OTHER_ROOT, "kestrum-scan: warning: %s is a scan of %s, not of %s"},
    // The saved scan, then how it ended ("stopped", "interrupted").
    {IDS_CLI_COMPARE_UNFINISHED, "kestrum-scan: warning: the scan in %s did not finish (%s); it covers only what was walked"},
    {IDS_CLI_COMPARE_BY_CATEGORY, "kestrum-scan: --compare compares extensions; it cannot be combined with --by category"},
    {IDS_CLI_COLUMN_CHANGE, "Change"},
    // A name in a --files0-from list, then the system's reason.
    {IDS_CLI_PROBLEM_NOT_FOUND, "kestrum-scan: cannot access '%s': %s"},
    {IDS_CLI_PROBLEM_REPEATED, "kestrum-scan: '%s' is named again; counted once"},
    {IDS_CLI_FILES0_WITH_FOLDER, "kestrum-scan: --files0-from counts the names in its list; give no folder as well, not %s"},
    // The option that cannot go with --merge: --compare or --files0-from.
    {IDS_CLI_MERGE_WITH, "kestrum-scan: --merge reads saved scans; it cannot be combined with %s"},
    {IDS_CLI_MERGE_NO_FILES, "kestrum-scan: --merge needs the saved scans to merge"},
    // The part, the option whose choice differs (--one-file-system, --exclude, --links-once), the first part.
    {IDS_CLI_MERGE_CHOICE, "kestrum-scan: %s was made with different %s than %s; the scans cannot be merged"},
    // The part, then how it ended ("stopped", "interrupted").
    {IDS_CLI_MERGE_UNFINISHED, "kestrum-scan: the scan in %s did not finish (%s); the merge covers only what was walked"},
    {IDS_CLI_NOT_FOLDER_OR_FILE, "kestrum-scan: %s is neither a folder nor a regular file"},
    // The list of names, then the system's reason; the counts cover the names read before it.
    {IDS_CLI_LIST_UNREADABLE, "kestrum-scan: cannot read the list %s to its end: %s"},
    // An empty name in a --files0-from list: the list, a colon and the name's place in it ("-:3").
    {IDS_CLI_PROBLEM_EMPTY_NAME, "kestrum-scan: %s: invalid zero-length file name"},
    // A part of --merge given again (the same file under any name).
    {IDS_CLI_MERGE_TWICE, "kestrum-scan: %s is the same file as %s; merged once"},
    // Version lines and the window program's command line (3500 to 3599).
    {IDS_CLI_VERSION, "kestrum-scan %s\nLicense MIT\n"},
    {IDS_APP_VERSION, "kestrum %s\nLicense MIT\n"},
    {IDS_APP_USAGE,
     "Usage: kestrum [FOLDER]\n"
     "Opens the Kestrum window, which counts the folders, files and bytes below a folder and\n"
     "groups the files by extension. With FOLDER, the folder is put into the folder box and\n"
     "scanned at once.\n"
     "\n"
     "  --help     show this help\n"
     "  --version  show the version\n"
     "\n"
     "Exit status: 0 when the window is closed, 2 bad usage.\n"},
    {IDS_APP_UNKNOWN_OPTION, "kestrum: unknown option %s"},
    {IDS_APP_BAD_OPTION, "kestrum: %s"},
    {IDS_APP_EXTRA_ARGUMENT, "kestrum: only one folder can be opened, not also %s"},
    // The "Largest files" window (4000 to 4099).
    {IDS_LARGEST_TITLE, "Largest files: %s"},
    {IDS_LARGEST_EXT_SEPARATOR, ", "},
    {IDS_LARGEST_COLUMN_NAME, "Name"},
    {IDS_LARGEST_COLUMN_FOLDER, "Folder"},
    {IDS_LARGEST_COLUMN_SIZE, "Size"},
    {IDS_LARGEST_COLUMN_MODIFIED, "Last modified"},
    {IDS_LARGEST_STOP, "&Stop"},
    {IDS_LARGEST_OPEN_FOLDER, "&Open folder"},
    {IDS_LARGEST_CLOSE, "Close"},
    {IDS_FMT_LARGEST_RUNNING, "Searching... %s files so far"},
    {IDS_FMT_LARGEST_DONE, "Done: %s files"},
    {IDS_FMT_LARGEST_DONE_LIMIT, "Done: the %s largest files"},
    {IDS_FMT_LARGEST_STOPPED, "Stopped: %s files found before the search was stopped"},
    {IDS_LARGEST_NOT_STARTED, "The search could not be started"},
    {IDS_FMT_LARGEST_GONE_ROW, "%s (gone)"},
    {IDS_FMT_LARGEST_GONE, "%s no longer exists"},
    {IDS_FMT_LARGEST_OPEN_FAILED, "No program could open the folder %s"},
    {IDS_MENU_LARGEST, "&Largest files..."},
    {IDS_ACC_LARGEST_LIST, "Largest files"},
    {IDS_LARGEST_STOPPING, "Stopping..."},
    {IDS_FMT_LARGEST_RUNNING_ONE, "Searching... %s file so far"},
    {IDS_FMT_LARGEST_DONE_ONE, "Done: %s file"},
    {IDS_FMT_LARGEST_STOPPED_ONE, "Stopped: %s file found before the search was stopped"},
    // A title naming many extensions: the first ones, then how many more.
    {IDS_FMT_LARGEST_TITLE_MORE, "%s and %s more"},
    // The window's walk choices and the exclusions dialog (4100 to 4199).
    {IDS_EXCLUDE_TITLE, "Exclusions"},
    {IDS_EXCLUDE_PROMPT, "Leave out the files and folders whose names match these patterns, one a line "
                         "(for example node_modules, .snapshot or *.tmp). A folder is left out with "
                         "everything below it."},
    {IDS_SIZE_LABEL, "Size:"},
    // The "Size:" field's label while sizes on disk are shown; as narrow as "Contains:", which the
    // window's label column fits.
    {IDS_SIZE_ON_DISK_LABEL, "On disk:"},
    {IDS_ACC_EXCLUDE, "Exclusion patterns"},
    {IDS_EXCLUDE_PATH, "A pattern matches single names, which hold no \"/\":\n%s"},
    // The list of what a scan could not count: each path with what happened and the system's reason.
    {IDS_PROBLEMS_TITLE, "Not counted"},
    {IDS_PROBLEMS_COLUMN_PATH, "Path"},
    {IDS_PROBLEMS_COLUMN_KIND, "What"},
    {IDS_PROBLEMS_COLUMN_REASON, "Reason"},
    {IDS_PROBLEM_NOT_LISTED, "Folder not listed"},
    {IDS_PROBLEM_NOT_ENTERED, "Mount not entered"},
    {IDS_PROBLEM_VANISHED, "Gone before it was examined"},
    {IDS_PROBLEM_NOT_EXAMINED, "File not examined"},
    // After the paths kept of one kind: how many more there were.
    {IDS_FMT_PROBLEMS_MORE, "... and %s more"},
    {IDS_PROBLEMS_COPY, "&Copy"},
    {IDS_PROBLEMS_CLOSE, "Close"},
    {IDS_ACC_PROBLEMS_LIST, "What the scan could not count"},
    // Added to the line's tip when it names paths.
    {IDS_TIP_PROBLEMS_OPEN, "Click the line, or press Enter on it, for the paths."},
    // Options -> "Compare with saved list...": the file chooser's title and filters.
    {IDS_COMPARE_TITLE, "Compare with saved list"},
    {IDS_FILTER_SAVED_SCANS, "Saved lists and ncdu or gdu exports (*.json)"},
    {IDS_FILTER_ALL_FILES, "All files (*)"},
    // Why a saved list could not be read, in one line naming the file (the words kestrum-scan uses).
    {IDS_COMPARE_CANNOT_READ, "Cannot read %s: %s"},
    {IDS_COMPARE_NOT_JSON, "%s: not valid JSON (it breaks off or goes wrong at byte %s)"},
    {IDS_COMPARE_BAD_FIELD, "%s: %s is missing, of the wrong type or out of range"},
    {IDS_COMPARE_TWICE, "%s: the extension %s is listed twice"},
    // The saved scan was made with another walk choice, named by its Options menu command.
    {IDS_COMPARE_CHOICE, "%s was made with a different \"%s\"; its counts cannot be compared with this list"},
    {IDS_CHOICE_ONE_FILE_SYSTEM, "Stay on one file system"},
    {IDS_CHOICE_EXCLUDE, "Exclusions"},
    {IDS_CHOICE_LINKS_ONCE, "Count hard links once"},
    // The line under the list while comparing: the saved list, the folder and when it was scanned,
    // and the change of the files and of the size since.
    {IDS_FMT_COMPARE_SINCE, "Compared with %s: since %s on %s UTC: %s files, %s bytes"},
    {IDS_FMT_COMPARE_OTHER_ROOT, "warning: the saved list is a scan of %s, not of %s"},
    {IDS_FMT_COMPARE_UNFINISHED, "warning: the saved scan did not finish (%s); it covers only what was walked"},
    {IDS_FMT_COMPARE_CHOICE_NOW, "No change shown: this scan was made with a different \"%s\" than the saved list"},
    // Added to "Selected:" while comparing: the selected rows' change of size.
    {IDS_FMT_SELECTED_CHANGE, ",   change %s bytes"},
    {IDS_FMT_HISTORY_FAILED, "The scan could not be remembered in %s: %s"},
    // The setting of Options -> "Remember scans".
    {IDS_ENTRY_HISTORY, "History"},
    // The line under the list while comparing, when the scan also left something out.
    {IDS_FMT_COMPARE_AND_INCOMPLETE, "%s; %s"},
    // The line while comparing before any scan is shown: the saved list, its folder and date.
    {IDS_FMT_COMPARE_WAITING, "Compared with %s, a scan of %s on %s UTC"},
    // File types by category, for both front ends (4200 to 4299).
    {IDS_CATEGORY_IMAGES, "Images"},
    {IDS_CATEGORY_VIDEO, "Video"},
    {IDS_CATEGORY_AUDIO, "Audio"},
    {IDS_CATEGORY_DOCUMENTS, "Documents"},
    {IDS_CATEGORY_ARCHIVES, "Archives"},
    {IDS_CATEGORY_SOURCE_CODE, "Source code"},
    {IDS_CATEGORY_PROGRAMS, "Programs and libraries"},
    {IDS_CATEGORY_FONTS, "Fonts"},
    {IDS_CATEGORY_OTHER, "Other"},
    // The column of the categories, and of how many extensions each holds.
    {IDS_COLUMN_TYPE, "Type"},
    {IDS_COLUMN_EXTENSIONS, "Extensions"},
    // The setting of Options -> "Group by file type".
    {IDS_ENTRY_BY_TYPE, "ByType"},
    {AFX_IDS_APP_TITLE, "Kestrum"},
};

// Texts that programs read back, which a catalogue must never change: the settings' section
// and entry names (a translated name would lose every stored setting), the application's name
// (it names the settings file) and the unit lists that the size formatter splits.
constexpr unsigned kUntranslated[] = {
    IDS_SECTION_MAIN, IDS_ENTRY_WINDOW,  IDS_ENTRY_FONT,       IDS_ENTRY_HELP,      IDS_ENTRY_NOEXT,
    IDS_ENTRY_ONE_FILE_SYSTEM, IDS_ENTRY_EXCLUDE, IDS_ENTRY_ON_DISK, IDS_ENTRY_LINKS_ONCE,
    IDS_ENTRY_BY_TYPE, IDS_ENTRY_HISTORY,
    IDS_CLI_UNITS_BINARY, IDS_CLI_UNITS_SI, AFX_IDS_APP_TITLE,
};

// Texts with a count in one and in several forms: each pair is one plural message in the
// catalogue, named by its singular's id, so a language picks its own form for every count. A
// text whose English has one form for every count is paired with itself.
constexpr PluralIds kPlurals[] = {
    {IDS_FMT_FOLDERS, IDS_FMT_FOLDERS},
    {IDS_FMT_FILES, IDS_FMT_FILES},
    {IDS_FMT_BYTES, IDS_FMT_BYTES},
    {IDS_FMT_SELECTED_BYTES, IDS_FMT_SELECTED_BYTES},
    {IDS_FMT_SELECTED_FILE_ONE, IDS_FMT_SELECTED_FILES},
    {IDS_FMT_NOT_LISTED_ONE, IDS_FMT_NOT_LISTED_MANY},
    {IDS_FMT_NOT_ENTERED_ONE, IDS_FMT_NOT_ENTERED_MANY},
    {IDS_FMT_VANISHED_ONE, IDS_FMT_VANISHED_MANY},
    {IDS_FMT_NOT_EXAMINED_ONE, IDS_FMT_NOT_EXAMINED_MANY},
    {IDS_FMT_NOT_IN_ROWS_ONE, IDS_FMT_NOT_IN_ROWS_MANY},
    {IDS_FMT_EXCLUDED_ONE, IDS_FMT_EXCLUDED_MANY},
    {IDS_FMT_NOT_IN_LARGEST_ONE, IDS_FMT_NOT_IN_LARGEST_MANY},
    {IDS_FMT_LINKS_UNCHECKED_ONE, IDS_FMT_LINKS_UNCHECKED_MANY},
    {IDS_FMT_NOT_FOUND_ONE, IDS_FMT_NOT_FOUND_MANY},
    {IDS_FMT_REPEATED_ONE, IDS_FMT_REPEATED_MANY},
    {IDS_FMT_EMPTY_NAMES_ONE, IDS_FMT_EMPTY_NAMES_MANY},
    {IDS_FMT_LARGEST_RUNNING_ONE, IDS_FMT_LARGEST_RUNNING},
    {IDS_FMT_LARGEST_DONE_ONE, IDS_FMT_LARGEST_DONE},
    {IDS_FMT_LARGEST_STOPPED_ONE, IDS_FMT_LARGEST_STOPPED},
};

const StringEntry* FindEntry(unsigned id)
{
    const auto found = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                        [](const StringEntry& entry, unsigned key) { return entry.id < key; });
    return (found != std::end(kStrings) && found->id == id) ? found : nullptr;
}

constexpr bool IsSortedById()
{
    for (std::size_t i = 1; i < std::size(kStrings); ++i)
        if (kStrings[i - 1].id >= kStrings[i].id)
            return false;
    return true;
}
static_assert(IsSortedById(), "the string table must stay sorted by id, without repeats");

const PluralIds* FindPlural(unsigned id)
{
    for (const PluralIds& pair : kPlurals)
        if (pair.nIDOne == id || pair.nIDMany == id)
            return &pair;
    return nullptr;
}

// An id as the catalogue's context, in decimal, without taking memory (the lookup of the "out of
// memory" message must not need any).
std::array<char, 12> IdContext(unsigned id)
{
    std::array<char, 12> text{};
    std::snprintf(text.data(), text.size(), "%u", id);
    return text;
}

std::string FillFormat(std::string_view format, std::initializer_list<std::string_view> args)
{
    std::string text;
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                text += '%';
                ++i;
                continue;
            }
            if (format[i + 1] == 's') {
                if (next != args.end())
                    text += *next++;
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

} // namespace

std::string_view LoadEnglishString(unsigned id)
{
    const StringEntry* entry = FindEntry(id);
    return entry ? entry->text : std::string_view();
}

std::string_view LoadString(unsigned id)
{
    const std::string_view english = LoadEnglishString(id);
    if (english.empty() || !IsTranslated(id))
        return english;
    // A plural's form looked up by id alone: its singular's form for one, else the form for two.
    if (const PluralIds* pair = FindPlural(id))
        return LoadCountString(pair->nIDOne, pair->nIDOne == id && pair->nIDMany != id ? 1 : 2);
    return TranslateMessage(IdContext(id).data(), english);
}

std::string_view LoadCountString(unsigned nIDOne, unsigned long long count)
{
    const PluralIds* pair = FindPlural(nIDOne);
    if (!pair || pair->nIDOne != nIDOne)
        return LoadString(nIDOne);
    return TranslatePlural(IdContext(nIDOne).data(), LoadEnglishString(pair->nIDOne), LoadEnglishString(pair->nIDMany),
                           count);
}

bool HasString(unsigned id)
{
    return FindEntry(id) != nullptr;
}

bool IsTranslated(unsigned id)
{
    return std::find(std::begin(kUntranslated), std::end(kUntranslated), id) == std::end(kUntranslated);
}

std::vector<unsigned> StringIds()
{
    std::vector<unsigned> ids;
    ids.reserve(std::size(kStrings));
    for (const StringEntry& entry : kStrings)
        ids.push_back(entry.id);
    return ids;
}

std::span<const PluralIds> PluralPairs()
{
    return kPlurals;
}

std::string FormatString(unsigned id, std::initializer_list<std::string_view> args)
{
    return FillFormat(LoadString(id), args);
}

std::string FormatCountString(unsigned nIDOne, unsigned long long count, std::initializer_list<std::string_view> args)
{
    return FillFormat(LoadCountString(nIDOne, count), args);
}
