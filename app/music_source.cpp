#include "app/music_source.h"
