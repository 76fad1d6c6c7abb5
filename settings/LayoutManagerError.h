#pragma once

#include "util/QuillonError.h"

// Error of the layout manager and its control layouts.
class ELayoutManager : public EQuillonError {
public:
    using EQuillonError::EQuillonError;
};

// Error of the recent-files list.
class ELayoutManagerMRU : public ELayoutManager {
public:
    using ELayoutManager::ELayoutManager;
};
