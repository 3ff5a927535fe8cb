#pragma once
// Helpers for tests that need the toolkit running: the test main starts a wxApp, these wait
// for the event loop to catch up.

#include <functional>

#include <wx/image.h>
#include <wx/string.h>

#include "HtmlButton.h"

// Runs the event loop until done() holds or timeoutMs pass; returns done().
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);
// Runs the event loop for a while, for checks that something did not happen.
void RunEventsFor(int milliseconds);
// Saves image as name.png in the test's build folder, for people to look at.
void SaveForViewing(const wxImage& image, const wxString& name);

// The button drawn as its paint handler draws it in the given state.
wxImage RenderButton(HtmlButton& button, const HtmlButton::ItemState& state);
// The smallest rectangle holding every pixel of the colour; empty when there is none.
wxRect FindColour(const wxImage& image, const wxColour& colour);
// The middle of the label's link text: the pixels in the HTML engine's link colour.
wxPoint LinkCentre(const wxImage& image);
