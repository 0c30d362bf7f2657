#pragma once
// What the dialog's handlers need from the window and from the open-file dialog. The Qt window
// and file dialog implement these; tests implement them with fakes and need no display.
#include <optional>
#include <string>
#include <string_view>
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
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The full path of the chosen file, or nothing when the user cancels or the dialog fails.
    virtual std::optional<std::string> choose(const FileRequest& request) = 0;
};
