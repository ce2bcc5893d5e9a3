#pragma once

// The main window and everything it holds, for tests that reach its parts: its workspace,
// its child windows and their keepers, its commands and its status bar.

#include "ChannelAlarms.h"
#include "ClientArea.h"
#include "ControlPanelKeeper.h"
#include "DataLoggerWindow.h"
#include "FileCommands.h"
#include "LoadCommand.h"
#include "PortList.h"
#include "ProgramGraphServices.h"
#include "ProgramWindows.h"
#include "RealTimeRecorder.h"
#include "StatusLine.h"
#include "TfrmMain.h"
#include "TfrmPanel.h"
#include "TfrmSetup.h"
#include "Workspace.h"
