// How the plug-in's folder pickers (its "BrowseDirectories") are answered in the viewer: with the
// folder given on the command line, or, without one, by a folder dialog the person picks in.
#pragma once

#include <QString>

class QWidget;

namespace viewer {

// Answers every folder picker of the process from now on. Main thread only.
void answerFolderPickers(const QString& folder, QWidget* dialogParent);

}  // namespace viewer
