#pragma once
// What the dialog's handlers need from the window and from the open-file dialog. The Qt window
// and file dialog implement these; tests implement them with fakes and need no display.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class DialogView {
public:
    virtual ~DialogView() = default;
    virtual void setText(int id, std::string_view text) = 0;
    // The text shown when the pointer rests on the control (a file's full path); empty for none.
    virtual void setToolTip(int id, std::string_view text) = 0;
    virtual void setEnabled(int id, bool enabled) = 0;
    virtual bool isChecked(int id) const = 0;
    virtual void setChecked(int id, bool checked) = 0;
    // Pushes pending changes to the screen at once, without handling any user input.
    virtual void flush() = 0;
    // Shows a person why something failed (file, block and line of a bad input), without
    // waiting for them; a view without room for it may ignore it.
    virtual void showDetail(std::string_view text) { (void)text; }
};

struct FileFilter {
    std::string label;
    std::string pattern;  // "*.*" means every file
};

struct FileRequest {
    std::string title;
    std::vector<FileFilter> filters;
    int initialFilter = 0;         // index into filters
    std::string defaultExtension;  // added to a typed name that has none
    std::string initialName;       // offered in the name field; may be empty
    bool mustExist = false;        // only an existing file can be chosen
    bool readOnly = false;         // the file is only read: the dialog offers no changes
    bool refuseReadOnly = false;   // a file that cannot be written is refused
    bool multiple = false;         // several existing files may be chosen together
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The full path of the chosen file, or nothing when the user cancels or the dialog fails.
    virtual std::optional<std::string> choose(const FileRequest& request) = 0;
    // The full paths of the chosen files, for a request that allows several; by default the one
    // file that choose() gives.
    virtual std::optional<std::vector<std::string>> chooseFiles(const FileRequest& request) {
        std::optional<std::string> one = choose(request);
        if (!one) return std::nullopt;
        return std::vector<std::string>{std::move(*one)};
    }
};
