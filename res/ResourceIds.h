/* The ids of the game's resources, for its resource script and for the code that loads them. */
#pragma once

/* The icon group of the window, large and small. */
#define KV_APP_ICON 102
/* The cell pictures, of the custom resource type "BIN": a landed block, and a falling or
   previewed one. */
#define KV_LANDED_BLOCK_PICTURE 106
#define KV_FALLING_BLOCK_PICTURE 107
