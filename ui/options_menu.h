/* The Options window's "Systray" menu and its two items. The menu is a
   resource of the DLL that the window does not load: neither item has an
   action, and a menu bar whose items do nothing looks broken. Included by
   the resource script and C++ alike. */
#ifndef SONAREL_OPTIONS_MENU_H
#define SONAREL_OPTIONS_MENU_H

#define SONAREL_MENU_SYSTRAY 200 /* mnuSystray, "Systray" */
#define SONAREL_MENU_RESTORE 201 /* mnuRestore, "Options" */
#define SONAREL_MENU_EXIT 202    /* mnuexit, "Close Sonarel" */

#endif
