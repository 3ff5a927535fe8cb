#pragma once
// The installer application: its start-up reads the package and shows the first page; the pages'
// buttons drive the rest of the run.

#include <wx/app.h>

class Kendry : public wxApp {
public:
    Kendry() = default;
    ~Kendry() override;

    // False (process status 255) when the toolkit refuses the command line or Setup.ini is
    // missing; otherwise the first page is on the screen.
    bool OnInit() override;
};
