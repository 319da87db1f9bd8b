// The "Config" page: the 32 output selectors, the presets and the master channel.
#include "app/Core_main.h"

void TForm1::FillControllerLists() {}

void TForm1::ApplyPreset(int) {}
