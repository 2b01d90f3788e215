#include "app_strings.h"

#include "command_ids.h"

namespace mirelo {

QString CommandPromptString(int commandId) {
    switch (commandId) {
    case ID_SELECT_HEADERS:
        return QStringLiteral("Select which parts of the message headers to be scanned");
    case ID_FILE_SAVE:
        return QStringLiteral("Save the active document\nSave");
    case ID_FILE_SAVE_AS:
        return QStringLiteral("Save the active document with a new name\nSave As");
    case ID_EDIT_FIND:
        return QStringLiteral("Find the specified text\nFind");
    case ID_APP_ABOUT:
        return QStringLiteral("Display program information, version number and copyright\nAbout");
    case ID_APP_EXIT:
        return QStringLiteral("Quit the application; prompts to save documents\nExit");
    case ID_VIEW_DETAILS:
        return QStringLiteral("Show or hide the count, category and last day seen of each address\nDetails");
    case ID_DELETE_AUTOMATED_AND_OWN:
        return QStringLiteral("Delete the rows of automated senders and of your own addresses\nDelete automated and own");
    case ID_EDIT_OWN_ADDRESSES:
        return QStringLiteral("Edit the list of your own addresses\nMy addresses");
    case ID_VIEW_STATUS_BAR:
        return QStringLiteral("Show or hide the status bar\nToggle StatusBar");
    default:
        return {};
    }
}

QString StatusPrompt(int commandId) {
    return CommandPromptString(commandId).section(QLatin1Char('\n'), 0, 0);
}

QString ToolTipText(int commandId) {
    return CommandPromptString(commandId).section(QLatin1Char('\n'), 1);
}

}  // namespace mirelo
