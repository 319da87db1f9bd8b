// The patch bay (Kessel) on the "MIDI" page.
#include "app/Core_main.h"

void TForm1::SpeedButton5Click(QObject *) {}
