// Water quality: the routines that the run driver and the start-up call.
#pragma once

void Components();
