// Reader of the time-series file `timei`: inflow series (I, J, M records),
// discharges of the openings (D) and the output probes (O, P).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "control/control.h"
#include "control/state.h"
#include "control/constants.h"
#include "control/log.h"
#include "control/record_scan.h"


namespace {

// The line of each error code behind "Error in timei file: \n" (12 to 14 have none).
const char* faultLine(int code) {
    switch (code) {
    case 1: return "Too few numbers on O data set, or over 25 variables\n";
    case 2: return "Negative time on O data set\n";
    case 3: return "Time on O data set lower than the time on the previous data set\n";
    case 4: return "Invalid cell index\n";
    case 5: return "Invalid index letter\n";
    case 6: return "Invalid sediment size index\n";
    case 7: return "Number of O data sets exceeds 20\n";
    case 8: return "Too few numbers on I data set, negative time\n";
    case 9: return "Time on I data set lower than the time on the previous data set\n";
    case 10: return "Could not read sufficient inflow concentrations on I data set\n";
    case 11: return "More than 200 I data sets\n";
    case 17: return "Error in reading water quality data O/q data set\n";
    default: return "";
    }
}

constexpr int kCharacterLimit = 90000;
constexpr int kDischarges = 10;  // openings 1..10 of a D record

// Reads the values in order; false at the first that does not convert.
bool readAllDoubles(FILE* fp, std::initializer_list<double*> values) {
    return readDoubles(fp, values) == static_cast<int>(values.size());
}

bool anyTermOf(std::initializer_list<int> types) {
    for (int t = 0; t < NoTerms; ++t)
        if (std::find(types.begin(), types.end(), QTerms[t].type) != types.end()) return true;
    return false;
}

class TimeiReader {
public:
    explicit TimeiReader(FILE* fp)
        : fp_(fp),
          irradiation_(anyTermOf({42, 132, 151, 152, 161, 162, 272, 281, 282, 6100})),
          airTemperature_(anyTermOf({1060})) {}

    // Reads the record of `letter`; returns its error code, 0 when it is sound.
    int record(int letter) {
        switch (letter) {
        case 'I':
        case 'J':
        case 'M': return inflowRecord(static_cast<char>(letter));
        case 'D': return dischargeRecord();
        case 'O':
        case 'P': return printRecord(static_cast<char>(letter));
        default: return 0;
        }
    }

private:
    // One entry of the inflow series. A fault ends the record and leaves
    // TimeInNo as it was, except a gap in the size classes (10) and a negative
    // time step (12), which keep the entry.
    int inflowRecord(char letter) {
        const int n = TimeInNo;
        bool read;
        if (letter == 'I')
            read = readAllDoubles(fp_, {&TimeInTime[n], &QDinn[n][0], &QDinn[n][1], &TimeInHinn[n], &TimeInHout[n]});
        else if (letter == 'J')
            read = readAllDoubles(fp_, {&TimeInTime[n], &QDinn[n][0], &QDinn[n][1], &TimeInHinn[n], &TimeInHout[n],
                                        &TimeInTimStep[n]});
        else
            read = readAllDoubles(fp_, {&TimeInTime[n], &TimeInTimStep[n]});
        int code = !read || TimeInTime[n] < 0.0 ? 8 : 0;
        if (n > 0 && TimeInTime[n - 1] > TimeInTime[n]) code = 9;
        if (code) return code;

        if (!conditionalFields(letter, n, code)) return code;

        TimeInNo = n + 1;
        FlagJTime = letter == 'I' ? 0 : 1;
        if (code == 0 && TimeInNo >= ArrayTimeSteps) code = 11;
        return code;
    }

    // The first fault of a record gives its code.
    static bool endRecord(int& code, int fault) {
        if (code == 0) code = fault;
        return false;
    }

    // The fields behind the fixed ones of an inflow record. False when a fault
    // ends the record; a fault that keeps the entry (10 for the size classes,
    // 12 for a negative time step) sets `code` and returns true.
    bool conditionalFields(char letter, int n, int& code) {
        if (letter != 'M' && FlagTemp == 1) {
            if (!readDouble(fp_, Tempinn[n]) || Tempinn[n] < -1.0 || Tempinn[n] > 90.0) return endRecord(code, 14);
        }
        if (letter != 'M' && FlagTSC > 0) {
            for (int l = 1; l <= lnumber; ++l)
                if (!readDouble(fp_, Cinn[n][l])) {
                    code = 10;  // nothing behind the gap is read
                    return true;
                }
        }
        if (letter != 'J' && Wind[0] > 1e-10 && transientRun()) {
            if (!readAllDoubles(fp_, {&Winn[n][0], &Winn[n][1], &Winn[n][2]})) return endRecord(code, 12);
        }
        if (letter == 'M') {
            const int components = std::min(NoComponents, 20);
            for (int c = 0; c < components; ++c) {
                if (!readDouble(fp_, Cinn[n][c])) return endRecord(code, 10);
                ++FlagTimeiConc;
            }
        }
        if (letter != 'I' && TimeInTimStep[n] < 0.0) code = 12;
        if (letter != 'J' && irradiation_) {
            if (!readDouble(fp_, Irradi[n])) return endRecord(code, 13);
        }
        if (letter == 'M' && airTemperature_) {
            if (!readDouble(fp_, AirTemp[n])) return endRecord(code, 14);
        }
        return true;
    }

    // Discharges of the openings 1..10 for the inflow entry of the same number.
    // A D record without its inflow entry is refused like a time that does not
    // match: its first discharge would be overwritten by that entry's outflow.
    int dischargeRecord() {
        const int d = discharges_;
        double time;
        if (!readDouble(fp_, time) || d >= TimeInNo || std::abs(time - TimeInTime[d]) > 1e-4) return 8;
        skipSpace(fp_);
        int code = 0;
        for (int m = 1; m <= kDischarges; ++m)
            if (!readDouble(fp_, QDinn[d][m])) {
                code = 10;
                break;
            }
        discharges_ = d + 1;
        if (code == 0 && discharges_ >= ArrayTimeSteps) code = 11;
        FlagDischargeTime = 1;
        return code;
    }

    // One probe record; the 50th ends the reading with code 7 whatever else it holds.
    int printRecord(char letter) {
        const int r = TimePrintNo;
        bool pointsFollow = false;
        int code = letter == 'O' ? oHeader(r, pointsFollow) : pHeader(r, pointsFollow);
        if (pointsFollow) {
            const int pointCode = points(TimePrint[r]);
            if (code == 0) code = pointCode;
        }
        TimePrintNo = r + 1;
        if (TimePrintNo >= static_cast<int>(std::size(TimePrint))) code = 7;
        return code;
    }

    // A count outside 0..3000 would overrun the point table (or name none): code 1.
    static bool countFits(int count) { return count >= 0 && count <= kTimePrintPoints; }

    // O: time and count, open end. Of codes 1 to 3 the last that applies is
    // reported; the points are read unless the fields or the count failed.
    int oHeader(int r, bool& pointsFollow) {
        TimePrintRecord& t = TimePrint[r];
        const bool read = readDouble(fp_, t.time) && readInt(fp_, t.count);
        skipSpace(fp_);
        t.endTime = 1e20;
        pointsFollow = read && countFits(t.count);
        int code = pointsFollow ? 0 : 1;
        if (t.time < 0.0) code = 2;
        if (r > 0 && TimePrint[r - 1].time > t.time) code = 3;
        return code;
    }

    // P: time, end time and count; each code ends the record.
    int pHeader(int r, bool& pointsFollow) {
        TimePrintRecord& t = TimePrint[r];
        const bool read = readDouble(fp_, t.time) && readDouble(fp_, t.endTime) && readInt(fp_, t.count);
        skipSpace(fp_);
        int code = 0;
        if (!read || !countFits(t.count) || t.time > t.endTime) code = 1;
        else if (r > 0 && TimePrint[r - 1].time > t.time) code = 3;
        else if (t.time < 0.0) code = 2;
        pointsFollow = code == 0;
        return code;
    }

    // The points of a probe record; the first faulty point ends the record
    // unstored and gives its code.
    int points(TimePrintRecord& t) {
        static constexpr char kLetters[] = "uwfkedztqQLcvp";
        for (int p = 0; p < t.count; ++p) {
            char letter = 0;
            int i = 0, j = 0, k = 0, index = 0;
            skipSpace(fp_);
            const bool read = readChar(fp_, letter) && readInts(fp_, {&i, &j, &k}) == 3;
            int code = 0;
            if (!read || i < 0 || j < 0 || k < 0 || i > xnumber || j > ynumber || k > znumber) code = 4;
            else if (letter == 0 || !std::strchr(kLetters, letter)) code = 5;
            if (letter == 'c' && (!readInt(fp_, index) || index < 0 || index > lnumber)) code = 6;
            if (code) return code;
            if (letter == 'Q' || letter == 'q' || letter == 'L') {
                if (!readInt(fp_, index) || index < 0 || index >= NoComponents) return 17;
            }
            t.letter[p] = letter;
            t.iCell[p] = i;
            t.jCell[p] = j;
            t.kCell[p] = k;
            t.index[p] = index;
            skipSpace(fp_);
        }
        return 0;
    }

    FILE* fp_;
    const bool irradiation_;     // a water-quality term needs the irradiation series
    const bool airTemperature_;  // a water-quality term needs the air temperature
    int discharges_ = 0;         // D records read
};

// Reads `timei` to its end (or the character limit); the code of the first fault, or 0.
int readSeries(FILE* fp) {
    TimeiReader reader(fp);
    for (int n = 0; n < kCharacterLimit; ++n) {
        const int c = std::fgetc(fp);
        if (endOfScan(c)) return 0;
        if (const int code = reader.record(c)) return code;
    }
    return 0;
}

}  // namespace

int ReadTimes() {
    TimeInNo = 0;
    TimePrintNo = 0;
    FILE* fp = std::fopen("timei", "r");
    if (!fp) {
        setMessage("have not used 'timei' file ");
        return 0;
    }
    const int code = readSeries(fp);
    std::fclose(fp);
    if (code == 0) return 0;

    Log log;
    char message[40];
    std::snprintf(message, sizeof message, "Error in 'timei' file %d", code);
    setMessage(message);
    log.write("Error in timei file: \n");
    log.write(faultLine(code));
    return code;
}
