// Resource ids, shared by the .rc file and the program. Only #defines here.
#pragma once

#define IDI_APP 1
#define IDR_INTRO_PICTURE 101
#define IDR_IDLE_PICTURE 102
