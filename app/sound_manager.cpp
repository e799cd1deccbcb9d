#include "app/sound_manager.h"
