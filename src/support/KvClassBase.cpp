#include "KvClassBase.h"

// Defined out of line so that the class's virtual table lives in this one object file.
KvClassBase::~KvClassBase() = default;
