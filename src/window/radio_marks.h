// The entries of the radio menu whose marks show what the radio last said.
#pragma once

#include "q7status.h"

#include <array>

class QAction;

namespace vexalo {

struct Q7Status::RadioMarks {
    std::array<QAction *, 6> modes {};
    QAction *vfoA = nullptr;
    QAction *vfoB = nullptr;
    QAction *split = nullptr;
    QAction *agcFast = nullptr;
    QAction *agcSlow = nullptr;
    QAction *preamp = nullptr;
    QAction *attenuator = nullptr;
    std::array<QAction *, 3> blanker {};
};

} // namespace vexalo
