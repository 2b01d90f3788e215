#pragma once

namespace mirelo {

// Command numbers: the program's own, then the framework's standard ones it reaches.
enum CommandId : int {
    ID_EXTRACT_EUDORA = 32771,
    ID_EXTRACT_OUTLOOK = 32773,
    ID_SELECT_HEADERS = 32774,
    ID_SORT_EMAIL = 32775,
    ID_SORT_NAME = 32776,
    ID_SORT_MAILBOX = 32777,
    ID_DELETE_SELECTION = 32778,
    ID_EXTRACT_ALL_MAIL = 32779,

    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_DIRECT = 57608,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_FIND = 57636,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
};

}  // namespace mirelo
