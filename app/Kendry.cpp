#include "Kendry.h"

#include "SetupIni.h"
#include "SetupStrings.h"
#include "StartUp.h"

Kendry::~Kendry() = default;

bool Kendry::OnInit() {
    if (!wxApp::OnInit())
        return false;
    StartUp::OpenRunLog();
    bool hideLicence = false;
    if (!SetupIni::Read(StartUp::SetupIniPath(), isWow64(), theSetupStrings, hideLicence))
        return false;
    wxFrame* frame = StartUp::CreateTopFrame(theSetupStrings);
    StartUp::ShowFirstPage(frame, theSetupStrings, hideLicence);
    return true;
}
