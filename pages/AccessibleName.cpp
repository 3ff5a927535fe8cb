#include "AccessibleName.h"

#include <dlfcn.h>

// wxWidgets on GTK is built without its accessibility classes, so the name goes straight to
// the ATK object GTK keeps for every widget. GTK and ATK are loaded with the toolkit; their
// functions are looked up at run time because their headers are not part of the build.
namespace {

struct AtkApi {
    void* (*widgetAccessible)(void* widget) = nullptr;
    void (*setName)(void* accessible, const char* name) = nullptr;
    const char* (*getName)(void* accessible) = nullptr;
    int (*roleForName)(const char* name) = nullptr;
    void (*setRole)(void* accessible, int role) = nullptr;
};

template <typename Function> void Resolve(Function& function, const char* symbol) {
    function = reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, symbol));
}

const AtkApi& Atk() {
    static const AtkApi api = [] {
        AtkApi found;
        Resolve(found.widgetAccessible, "gtk_widget_get_accessible");
        Resolve(found.setName, "atk_object_set_name");
        Resolve(found.getName, "atk_object_get_name");
        Resolve(found.roleForName, "atk_role_for_name");
        Resolve(found.setRole, "atk_object_set_role");
        return found;
    }();
    return api;
}

void* AccessibleOf(wxWindow* window) {
    const AtkApi& atk = Atk();
    if (!window || !window->GetHandle() || !atk.widgetAccessible)
        return nullptr;
    return atk.widgetAccessible(window->GetHandle());
}

} // namespace

namespace AccessibleName {

void Set(wxWindow* window, const wxString& name) {
    const AtkApi& atk = Atk();
    void* accessible = AccessibleOf(window);
    if (!accessible || !atk.setName)
        return;
    atk.setName(accessible, name.utf8_str());
    if (atk.roleForName && atk.setRole) {
        const int pushButton = atk.roleForName("push button");
        if (pushButton > 0)
            atk.setRole(accessible, pushButton);
    }
}

wxString Get(wxWindow* window) {
    const AtkApi& atk = Atk();
    void* accessible = AccessibleOf(window);
    if (!accessible || !atk.getName)
        return wxString();
    const char* name = atk.getName(accessible);
    return name ? wxString::FromUTF8(name) : wxString();
}

} // namespace AccessibleName
