// The host's usage data reporter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Event codes of the usage data service; the plug-in names the codes it uses.
enum TandemReportTypeEnum : int32_t {};

class TandemDataReportClass {
public:
    // The process-wide reporter; null when the host has none.
    static TandemDataReportClass* GetInstance();

    bool Report(TandemReportTypeEnum type, const std::vector<std::string>& values);
    bool RecordBegin(TandemReportTypeEnum type);
    bool RecordEnd(TandemReportTypeEnum type);

protected:
    TandemDataReportClass() = default;
    ~TandemDataReportClass() = default;
};
