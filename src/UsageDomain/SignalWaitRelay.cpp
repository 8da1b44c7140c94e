#include "SignalWaitRelay.h"
