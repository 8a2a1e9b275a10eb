#include "UsageReport.h"

namespace Vela::Ux {

void RecordBegin(UsageEvent code) {
    if (TandemDataReportClass* reporter = TandemDataReportClass::GetInstance()) {
        reporter->RecordBegin(ToReportType(code));
    }
}

void RecordEnd(UsageEvent code) {
    if (TandemDataReportClass* reporter = TandemDataReportClass::GetInstance()) {
        reporter->RecordEnd(ToReportType(code));
    }
}

}  // namespace Vela::Ux
