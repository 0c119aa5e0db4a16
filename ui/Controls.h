// The controls a window table makes, and the timer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "ui/Component.h"

namespace ui {

class Button : public ControlOf<Kind::Button> {
public:
    using ControlOf::ControlOf;
    std::function<void()> OnClick;
    // Enter presses the default button where the focus is on no other
    // button; Esc presses the cancel button (ui/Keyboard.h).
    bool isDefault = false, isCancel = false;
    // As the user's click: runs OnClick through dispatch, unless the button
    // is disabled or its window takes no input (see Application::acceptsInput).
    void click();
};

class Edit : public ControlOf<Kind::Edit> {
public:
    using ControlOf::ControlOf;
    void userEdited(const std::string& t);  // the peer reports typing
};

class Label : public ControlOf<Kind::Label> {
public:
    using ControlOf::ControlOf;
    // Breaks the text into lines at the label's width; one line otherwise,
    // cut at its end (paths are shown as they are).  Fixed before the peer exists.
    bool wordWrap = false;
};
using GroupBox = ControlOf<Kind::GroupBox>;
using Panel = ControlOf<Kind::Panel>;

// Multi-line text, shown as raw ANSI bytes.
class Memo : public ControlOf<Kind::Memo> {
public:
    using ControlOf::ControlOf;
    const std::vector<std::string>& lines() const { return lines_; }
    void clear();
    // Split bytes into lines at CR LF, LF or CR, as a text file loads.
    void loadText(const std::string& bytes);
    std::string joined() const;  // lines joined with CR LF
    bool greyBackground = true;
    bool verticalScrollBar = true;

private:
    std::vector<std::string> lines_;
};

// A drop-down list, selection only.
class ComboBox : public ControlOf<Kind::ComboBox> {
public:
    using ControlOf::ControlOf;
    const std::vector<std::string>& items() const { return items_; }
    void addItem(const std::string& item);
    void clearItems();
    int itemIndex() const { return itemIndex_; }
    void setItemIndex(int i);  // by code: no OnChange; -1 selects nothing
    // The selected item's text, empty when nothing is selected.
    std::string selectedText() const;
    std::function<void()> OnChange;
    void userSelected(int i);  // the peer reports a choice: OnChange through dispatch

private:
    std::vector<std::string> items_;
    int itemIndex_ = -1;
};

class ProgressBar : public ControlOf<Kind::ProgressBar> {
public:
    using ControlOf::ControlOf;
    int min() const { return min_; }
    int max() const { return max_; }
    int position() const { return position_; }
    void setPosition(int p);  // clamped to the range, as the native bar does

private:
    int min_ = 0, max_ = 100, position_ = 0;
};

// A percentage gauge: a horizontal bar with its percentage centred.
class Gauge : public ControlOf<Kind::Gauge> {
public:
    using ControlOf::ControlOf;
    int minValue() const { return min_; }
    int maxValue() const { return max_; }
    int progress() const { return progress_; }
    // Clamped to min..max; repaints at once when the shown percentage changes.
    void setProgress(int p);
    int percentDone() const;  // truncated toward zero; 0 when max == min

private:
    int min_ = 0, max_ = 100, progress_ = 0;
};

// A folder tree of the shell namespace, rooted at My Computer.
class ShellTreeView : public ControlOf<Kind::ShellTreeView> {
public:
    using ControlOf::ControlOf;
    // The selected folder's file-system path ("X:\" for a drive root), or
    // empty: nothing selected, or a folder outside the file system (My
    // Computer, Control Panel).
    std::string path() const;
    // Another item became the selected one, by the player or by a message.
    std::function<void()> OnChange;
    void selectionChanged();  // the peer reports it: OnChange through dispatch
};

class TabSheet;

// Pages with hidden tabs: only the active page is visible.
class PageControl : public ControlOf<Kind::PageControl> {
public:
    using ControlOf::ControlOf;
    int activePageIndex() const { return active_; }
    void setActivePageIndex(int i);
    const std::vector<TabSheet*>& pages() const { return pages_; }
    void addPage(TabSheet* page);

private:
    std::vector<TabSheet*> pages_;
    int active_ = 0;
};

class TabSheet : public ControlOf<Kind::TabSheet> {
public:
    using ControlOf::ControlOf;
    int pageIndex() const { return index_; }
    void setPageIndex(int i) { index_ = i; }

private:
    int index_ = 0;
};

// A picture stretched into the control with its proportions kept.
class Image : public ControlOf<Kind::Image> {
public:
    using ControlOf::ControlOf;
    std::string bitmapResource;  // name of the BITMAP resource that holds it
};

// A timer: one tick per interval while enabled, on the user-interface thread.
class Timer : public Component {
public:
    Timer(Form* owner, std::string name, std::uint32_t intervalMs, bool enabled);
    ~Timer() override;
    Kind kind() const override { return Kind::Timer; }
    std::uint32_t interval() const { return interval_; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool e);
    std::function<void()> OnTimer;
    // Arms the platform timer if enabled; done once the program runs.
    void start();

private:
    void arm();
    void disarm();
    std::uint32_t interval_;
    bool enabled_;
    bool started_ = false;
    plat::Desktop::TimerId id_ = 0;
};

}  // namespace ui
