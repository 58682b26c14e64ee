#include "check_state.h"

CheckState checkState;
