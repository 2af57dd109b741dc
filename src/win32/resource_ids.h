/* Resource ids of LumariTerminal.exe, shared by the resource script and the
   program (plain macros: the resource compiler reads this file too). */
#pragma once

/* The application icon: the windows' icon and the tray icon. */
#define LUMARI_ICON_ID 1
