#include "screens/screens.h"

#include "screens/firmware_list.h"
#include "screens/interface_list.h"
#include "screens/ip_dialog.h"
#include "screens/scanning_screen.h"
#include "screens/system_list.h"
#include "screens/toolbar.h"
#include "screens/update_screen.h"

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
