#include "MessageBox.h"
