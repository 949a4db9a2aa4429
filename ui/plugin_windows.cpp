#include "ui/plugin_windows.h"

#include <utility>

#include "settings/settings_store.h"
#include "ui/about_window.h"
#include "ui/modal_display.h"
#include "ui/options_window.h"

namespace sonarel {
namespace {

// The open window of each kind on this thread, if any. The window object
// itself lives in the frame of the call that shows it.
thread_local frmOptions* openOptions = nullptr;
thread_local frmAbout* openAbout = nullptr;

// Records the open window for the length of its modal display.
template <class Form>
class OpenWindow {
public:
    OpenWindow(Form*& slot, Form& form) : slot_(slot) { slot_ = &form; }
    OpenWindow(const OpenWindow&) = delete;
    OpenWindow& operator=(const OpenWindow&) = delete;
    ~OpenWindow() { slot_ = nullptr; }

private:
    Form*& slot_;
};

// A window of this kind is open already, lower on this thread's stack (a
// host call made while its modal loop runs): that one stays, comes to the
// front, and this call returns at once.
template <class Form>
bool alreadyOpen(Form* open) {
    if (!open) return false;
    open->bringToFront();
    return true;
}

}  // namespace

bool showOptionsWindow() {
    if (alreadyOpen(openOptions)) return false;
    SettingsStore settings;
    frmOptions form(settings, activePluginWindow());
    OpenWindow<frmOptions> record(openOptions, form);
    form.load();
    form.showModal();
    return form.saved();
}

void showAboutWindow() {
    if (alreadyOpen(openAbout)) return;
    frmAbout form(activePluginWindow());
    OpenWindow<frmAbout> record(openAbout, form);
    form.load();
    form.showModal();
}

}  // namespace sonarel
