// Out-of-line anchor of the iterator interface (keeps its type identity in one place).
#include "pyruntime/iterator.h"
