#include "tools/page_viewer/folder_answer.h"

#include "platform/shell/win_shell_testing.h"

#include <QFileDialog>
#include <QPointer>
#include <QWidget>

namespace viewer {

void answerFolderPickers(const QString& folder, QWidget* dialogParent) {
    QPointer<QWidget> parent(dialogParent);
    platform::testing::setFolderChooser(
        [folder, parent](const platform::testing::FolderRequest&) -> std::optional<std::wstring> {
            QString chosen = folder;
            if (chosen.isEmpty()) chosen = QFileDialog::getExistingDirectory(parent, QStringLiteral("Choose a folder"));
            if (chosen.isEmpty()) return std::nullopt;
            return chosen.toStdWString();
        });
}

}  // namespace viewer
