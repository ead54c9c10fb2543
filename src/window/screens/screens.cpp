#include "shell/screens.h"

#include "firmware/update_screen.h"
#include "net/ip_dialog.h"
#include "shell/scanning_screen.h"
#include "shell/toolbar.h"
#include "ui/firmware_list.h"
#include "ui/interface_list.h"
#include "ui/system_list.h"

// The results are not examined: a screen whose images are missing is drawn without them.
void prepare_screens() {
    system_list_toolbar_prepare();
    system_list_prepare();
    scanning_screen_prepare();
    interface_list_prepare();
    interface_header_prepare();
    ip_dialog_init();
    firmware_toolbar_prepare();
    firmware_list_prepare();
    update_screen_prepare();
}

void release_screens() {
    update_screen_release();
    firmware_list_release();
    ip_dialog_release();
    interface_list_release();
    scanning_screen_release();
    system_list_release();
    toolbars_release();
}
