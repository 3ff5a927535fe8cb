#pragma once
// The texts the start-up prepares for the pages and the copy: filled once from Setup.ini and the
// language texts, then only read (the launch command gets the destination filled in at the end).

#include "CStdStr.h"

struct SetupStrings {
    CStdStr language;
    CStdStr appTitle;
    CStdStr appHead;
    CStdStr appFoot;
    CStdStr appFile;
    CStdStr sourceDir;
    CStdStr launchCommand;
    CStdStr appButton1;
    CStdStr appButton2;
    CStdStr navTitle;
    CStdStr navHead;
    CStdStr navFoot;
    CStdStr navDefaultDir;
    CStdStr navButton1;
    CStdStr navButton2;
    CStdStr navButton3;
    CStdStr overwriteFileTitle;
    CStdStr overwriteFile;
    CStdStr yesText;
    CStdStr yesToAllText;
    CStdStr noText;
    CStdStr noToAllText;
    CStdStr cancelText;
    CStdStr dirBrowseText;
};

extern SetupStrings theSetupStrings;
