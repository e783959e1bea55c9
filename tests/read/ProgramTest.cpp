// Black-box tests of marksheet-read: forms made by marksheet-form with known fills, saved in every
// format the canvas reads, bad files and corpus pictures, every output format parsed back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Set from the command line by main() below.
std::string readerProgram;
std::string formProgram;
std::string corpusDir;
std::string sampleExpected;

struct ProgramRun {
    int status = -1;  // exit status, or -1 when the program did not exit normally (a crash)
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder for one test's files, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "marksheet-read-test-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

// Runs a program with stdout and stderr caught in files; stdin is empty.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args) {
    static int counter = 0;
    const fs::path folder = fs::temp_directory_path();
    const std::string stem =
        "marksheet-read-run-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const fs::path outPath = folder / (stem + ".out"), errPath = folder / (stem + ".err");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    ProgramRun run;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    return run;
}

ProgramRun Read(const std::vector<std::string>& args) {
    return RunProgram(readerProgram, args);
}

std::vector<std::string> Lines(const std::string& text, std::string_view end = "\n") {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t stop = text.find(end, start);
        if (stop == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, stop - start));
        start = stop + end.size();
    }
    return lines;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// CSV records by RFC 4180 (quoted fields may hold CR, LF, commas and doubled quotes).
std::vector<std::vector<std::string>> ParseCsv(const std::string& text, bool& crlfOnly) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields(1);
    bool quoted = false;
    crlfOnly = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                fields.back() += '"', ++i;
            else if (c == '"')
                quoted = false;
            else
                fields.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            records.push_back(std::move(fields));
            fields.assign(1, {});
            ++i;
        } else if (c == '\n' || c == '\r') {
            crlfOnly = false;
            records.push_back(std::move(fields));
            fields.assign(1, {});
        } else {
            fields.back() += c;
        }
    }
    if (fields.size() > 1 || !fields[0].empty()) records.push_back(std::move(fields));
    return records;
}

std::vector<QJsonObject> ParseJsonLines(const std::string& text) {
    std::vector<QJsonObject> objects;
    for (const std::string& line : Lines(text)) {
        QJsonParseError error;
        const auto document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << ": " << line;
        EXPECT_TRUE(document.isObject()) << line;
        objects.push_back(document.object());
    }
    return objects;
}

// What the answer reader appends for a fill: blocks in order, each block's letters, up to and
// including the first block without a letter.
struct ExpectedAnswers {
    std::string text;
    std::vector<char> questions = std::vector<char>(100, 0);
    int stoppedAt = 0;  // 0: read to the end
};

ExpectedAnswers Expect(const std::string& fill) {
    ExpectedAnswers e;
    for (int block = 0; block < 20; ++block) {
        std::string letters;
        for (int q = block * 5; q < block * 5 + 5; ++q)
            if (fill[static_cast<std::size_t>(q)] != '.') {
                letters += fill[static_cast<std::size_t>(q)];
                e.questions[static_cast<std::size_t>(q)] = fill[static_cast<std::size_t>(q)];
            }
        e.text += letters;
        if (letters.empty()) {
            e.stoppedAt = block + 1;
            break;
        }
    }
    return e;
}

// Little writers for the formats Qt cannot save, from an 8-bit indexed picture.
void PutLe16(std::string& out, int value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

QImage Indexed(const QImage& picture) {
    QImage indexed = picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    QList<QRgb> table = indexed.colorTable();
    while (table.size() < 256) table.push_back(qRgb(255, 255, 255));
    indexed.setColorTable(table);
    return indexed;
}

// PCX version 5, 8 bits per pixel, one plane, run-length encoded, 256-colour palette at the end.
std::string EncodePcx(const QImage& picture) {
    const QImage image = Indexed(picture);
    const int width = image.width(), height = image.height();
    const int bytesPerLine = (width + 1) & ~1;
    std::string out = {0x0A, 5, 1, 8};
    PutLe16(out, 0), PutLe16(out, 0), PutLe16(out, width - 1), PutLe16(out, height - 1);
    PutLe16(out, 150), PutLe16(out, 150);
    out.append(48, '\0');
    out += '\0';
    out += '\1';
    PutLe16(out, bytesPerLine), PutLe16(out, 1), PutLe16(out, 0), PutLe16(out, 0);
    out.append(128 - out.size(), '\0');
    for (int y = 0; y < height; ++y) {
        const uchar* line = image.constScanLine(y);
        std::vector<uchar> row(line, line + width);
        row.resize(static_cast<std::size_t>(bytesPerLine), 0);
        for (std::size_t x = 0; x < row.size();) {
            std::size_t run = 1;
            while (x + run < row.size() && row[x + run] == row[x] && run < 63) ++run;
            if (run > 1 || row[x] >= 0xC0) out += static_cast<char>(0xC0 | run);
            out += static_cast<char>(row[x]);
            x += run;
        }
    }
    out += '\x0C';
    for (QRgb c : image.colorTable())
        out += static_cast<char>(qRed(c)), out += static_cast<char>(qGreen(c)),
            out += static_cast<char>(qBlue(c));
    return out;
}

// GIF89a with 9-bit LZW codes that are all literals, the table cleared before it would grow past
// 9 bits: larger than a real encoder's output, but a valid GIF any decoder reads.
std::string EncodeGif(const QImage& picture) {
    const QImage image = Indexed(picture);
    std::string out = "GIF89a";
    PutLe16(out, image.width()), PutLe16(out, image.height());
    out += '\xF7', out += '\0', out += '\0';
    for (QRgb c : image.colorTable())
        out += static_cast<char>(qRed(c)), out += static_cast<char>(qGreen(c)),
            out += static_cast<char>(qBlue(c));
    out += ',';
    PutLe16(out, 0), PutLe16(out, 0), PutLe16(out, image.width()), PutLe16(out, image.height());
    out += '\0';
    out += '\x08';
    std::string data;
    std::uint32_t bits = 0;
    int bitCount = 0;
    auto putCode = [&](int code) {
        bits |= static_cast<std::uint32_t>(code) << bitCount;
        bitCount += 9;
        while (bitCount >= 8) {
            data += static_cast<char>(bits & 0xFF);
            bits >>= 8;
            bitCount -= 8;
        }
    };
    int sinceClear = 0;
    putCode(256);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (sinceClear == 250) putCode(256), sinceClear = 0;
            putCode(image.constScanLine(y)[x]);
            ++sinceClear;
        }
    putCode(257);
    if (bitCount > 0) data += static_cast<char>(bits & 0xFF);
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        out += static_cast<char>(n);
        out.append(data, i, n);
    }
    out += '\0';
    out += ';';
    return out;
}

std::string RandomAnswers(std::mt19937& random, int answered) {
    std::string fill(100, '.');
    for (int q = 0; q < answered; ++q) fill[static_cast<std::size_t>(q)] = "ABCDE"[random() % 5];
    return fill;
}

std::string RandomNumber(std::mt19937& random) {
    std::string number;
    for (int i = 0; i < 9; ++i) number += static_cast<char>('0' + random() % 10);
    return number;
}

// One filled form, saved in every format.
struct Form {
    std::string number;
    std::string fill;
    std::map<std::string, fs::path> files;  // by extension
};

class BatchProgram : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (formProgram.empty()) return;
        folder = new ScratchFolder;
        std::mt19937 random(20261211);
        // A full sheet, one whose answers stop early, and one that stops at block 3 with block 4 filled.
        // A4 at 100 dpi: shrunk onto the canvas like any scan, and small enough to keep the tests quick.
        std::vector<std::pair<std::string, std::string>> fills{
            {RandomNumber(random), RandomAnswers(random, 100)},
            {RandomNumber(random), RandomAnswers(random, 37)},
        };
        std::string gap = RandomAnswers(random, 20);
        for (int q = 10; q < 15; ++q) gap[static_cast<std::size_t>(q)] = '.';
        fills.emplace_back(RandomNumber(random), gap);
        for (std::size_t i = 0; i < fills.size(); ++i) {
            Form form{fills[i].first, fills[i].second, {}};
            const fs::path stem = folder->path / ("form" + std::to_string(i + 1));
            for (const char* extension : {".png", ".jpg"}) {
                const fs::path file = stem.string() + extension;
                const ProgramRun made =
                    RunProgram(formProgram, {"--paper", "a4", "--dpi", "100", "--number", form.number,
                                             "--answers", form.fill, "-o", file.string()});
                ASSERT_EQ(made.status, 0) << made.err;
                form.files[extension] = file;
            }
            const QImage picture(QString::fromStdString(form.files[".png"].string()));
            ASSERT_FALSE(picture.isNull());
            form.files[".bmp"] = stem.string() + ".bmp";
            ASSERT_TRUE(picture.save(QString::fromStdString(form.files[".bmp"].string()), "BMP"));
            form.files[".gif"] = stem.string() + ".gif";
            WriteFile(form.files[".gif"], EncodeGif(picture));
            form.files[".pcx"] = stem.string() + ".pcx";
            WriteFile(form.files[".pcx"], EncodePcx(picture));
            forms->push_back(form);
        }
        blank = folder->path / "blank.png";
        const ProgramRun made =
            RunProgram(formProgram, {"--paper", "a4", "--dpi", "100", "-o", blank.string()});
        ASSERT_EQ(made.status, 0) << made.err;
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    void SetUp() override {
        if (formProgram.empty()) GTEST_SKIP() << "marksheet-form is not built, no forms to read";
        ASSERT_EQ(forms->size(), 3u) << "the forms could not be made";
    }

    static inline ScratchFolder* folder = nullptr;
    static inline std::vector<Form>* forms = new std::vector<Form>;
    static inline fs::path blank;
};

TEST_F(BatchProgram, EveryFormatReadsExactlyWhatWasFilled) {
    for (const Form& form : *forms) {
        const ExpectedAnswers expected = Expect(form.fill);
        for (const auto& [extension, file] : form.files) {
            SCOPED_TRACE(file.string());
            const ProgramRun run = Read({file.string()});
            EXPECT_EQ(run.out, file.string() + "\t" + form.number + "\t" + expected.text + "\n") << run.err;
        }
    }
}

TEST_F(BatchProgram, CsvParsesBackWithOneColumnPerQuestion) {
    std::vector<std::string> args{"--format", "csv"};
    for (const Form& form : *forms) args.push_back(form.files.at(".png").string());
    const ProgramRun run = Read(args);
    bool crlfOnly = false;
    const auto records = ParseCsv(run.out, crlfOnly);
    EXPECT_TRUE(crlfOnly) << "records end in CRLF";
    ASSERT_EQ(records.size(), 1 + forms->size());
    ASSERT_EQ(records[0].size(), 105u);
    EXPECT_EQ(records[0][4], "q1");
    EXPECT_EQ(records[0][104], "warnings");
    for (std::size_t i = 0; i < forms->size(); ++i) {
        const Form& form = (*forms)[i];
        const ExpectedAnswers expected = Expect(form.fill);
        const auto& row = records[i + 1];
        ASSERT_EQ(row.size(), 105u);
        EXPECT_EQ(row[0], form.files.at(".png").string());
        EXPECT_EQ(row[1], "ok");
        EXPECT_EQ(row[2], form.number);
        EXPECT_EQ(row[3], expected.text);
        for (std::size_t q = 0; q < 100; ++q)
            EXPECT_EQ(row[4 + q], expected.questions[q] ? std::string(1, expected.questions[q]) : "")
                << "q" << q + 1;
    }
    // The third form stops at block 3 while block 4 holds answers.
    EXPECT_EQ(records[1][104], "");
    EXPECT_EQ(records[2][104], "");
    EXPECT_EQ(records[3][104], "answers_left_unread:block=4");
    EXPECT_EQ(run.status, 3) << "all read, one with a warning";
}

TEST_F(BatchProgram, JsonLinesParseBackWithStopAndWarnings) {
    std::vector<std::string> args{"--format", "json"};
    for (const Form& form : *forms) args.push_back(form.files.at(".jpg").string());
    args.push_back(blank.string());
    const ProgramRun run = Read(args);
    const auto objects = ParseJsonLines(run.out);
    ASSERT_EQ(objects.size(), forms->size() + 1);
    for (std::size_t i = 0; i < forms->size(); ++i) {
        const Form& form = (*forms)[i];
        const ExpectedAnswers expected = Expect(form.fill);
        const QJsonObject& o = objects[i];
        EXPECT_EQ(o["file"].toString().toStdString(), form.files.at(".jpg").string());
        EXPECT_EQ(o["status"].toString(), "ok");
        EXPECT_EQ(o["number"].toString().toStdString(), form.number);
        EXPECT_EQ(o["answers"].toString().toStdString(), expected.text);
        const QJsonArray questions = o["questions"].toArray();
        ASSERT_EQ(questions.size(), 100);
        for (int q = 0; q < 100; ++q) {
            const char letter = expected.questions[static_cast<std::size_t>(q)];
            const QJsonValue expectedValue = letter ? QJsonValue(QString(QChar(letter))) : QJsonValue();
            EXPECT_EQ(questions[q], expectedValue) << "question " << q + 1;
        }
        EXPECT_EQ(o["stopped_at"], expected.stoppedAt ? QJsonValue(expected.stoppedAt) : QJsonValue());
    }
    EXPECT_TRUE(objects[0]["warnings"].toArray().isEmpty());
    EXPECT_TRUE(objects[1]["warnings"].toArray().isEmpty()) << "the stop itself is no warning";
    EXPECT_EQ(objects[2]["warnings"].toArray(),
              QJsonArray({QJsonObject({{"code", "answers_left_unread"}, {"block", 4}})}));
    // The blank form: every number column without ink, nothing read, stopped after block 1.
    const QJsonObject& b = objects[3];
    EXPECT_EQ(b["number"].toString(), "000000000");
    EXPECT_EQ(b["answers"].toString(), "");
    EXPECT_EQ(b["stopped_at"].toInt(), 1);
    QJsonArray noInk;
    for (int c = 1; c <= 9; ++c)
        noInk.push_back(QJsonObject({{"code", "column_without_ink"}, {"column", c}}));
    EXPECT_EQ(b["warnings"].toArray(), noInk);
    EXPECT_EQ(run.status, 3);
}

TEST_F(BatchProgram, ParallelRunsGiveTheSameOutputAsOneJob) {
    std::vector<std::string> files;
    for (int round = 0; round < 2; ++round)
        for (const Form& form : *forms)
            for (const auto& [extension, file] : form.files) files.push_back(file.string());
    files.insert(files.begin() + 5, (folder->path / "missing.png").string());
    files.push_back(folder->path.string());
    std::vector<std::string> args{"--format", "csv", "--jobs", "1"};
    args.insert(args.end(), files.begin(), files.end());
    const ProgramRun one = Read(args);
    EXPECT_EQ(one.status, 1);
    bool crlfOnly = false;
    ASSERT_EQ(ParseCsv(one.out, crlfOnly).size(), files.size() + 1);
    for (const char* jobs : {"2", "8"}) {
        args[3] = jobs;
        const ProgramRun many = Read(args);
        EXPECT_EQ(many.out, one.out) << "--jobs " << jobs;
        EXPECT_EQ(many.err, one.err) << "--jobs " << jobs;
        EXPECT_EQ(many.status, one.status);
    }
}

TEST_F(BatchProgram, RepeatedCandidateNumbersAreNamedInTheSummary) {
    ScratchFolder scans;
    const Form& form = (*forms)[0];
    fs::create_directories(scans.path / "monday");
    fs::create_directories(scans.path / "tuesday");
    const fs::path first = scans.path / "monday" / "sheet.png", second = scans.path / "tuesday" / "sheet.png";
    fs::copy_file(form.files.at(".png"), first);
    fs::copy_file(form.files.at(".png"), second);
    const ProgramRun run = Read({first.string(), (*forms)[1].files.at(".png").string(), second.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("3 files: 3 sheets read, 0 with warnings, 0 failed"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("candidate number " + form.number + " is on 2 sheets: " + first.string() + " " +
                           second.string()),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find((*forms)[1].number), std::string::npos) << "a number read once is not listed";
}

TEST_F(BatchProgram, AnnotatedCanvasesAreWrittenNamedAfterTheirInputs) {
    ScratchFolder scans;
    fs::create_directories(scans.path / "a");
    fs::create_directories(scans.path / "b");
    const fs::path first = scans.path / "a" / "sheet.jpg", second = scans.path / "b" / "sheet.jpg";
    fs::copy_file((*forms)[0].files.at(".jpg"), first);
    fs::copy_file((*forms)[1].files.at(".jpg"), second);
    const fs::path out = scans.path / "out" / "annotated";  // made with its parents
    const ProgramRun run = Read({"--annotate", out.string(), first.string(), second.string(), "--sample",
                                 (scans.path / "missing.png").string()});
    EXPECT_EQ(run.status, 1) << run.err;
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"sample-sheet.png", "sheet.jpg-2.png", "sheet.jpg.png"}))
        << "nothing for the missing file, and no half-written leftovers";
    for (const auto& name : names) {
        const QImage annotated(QString::fromStdString((out / name).string()));
        ASSERT_EQ(annotated.size(), QSize(400, 500)) << name;
        if (name == "sample-sheet.png") continue;  // what it shows is the sample's business
        int green = 0, marker = 0;
        for (int y = 0; y < 500; ++y)
            for (int x = 0; x < 400; ++x) {
                const QRgb c = annotated.pixel(x, y);
                green += c == qRgb(0, 255, 0);
                marker += c == qRgb(50, 0, 0);
            }
        EXPECT_GT(green, 1000) << name << ": grid outlines and cell lines";
        EXPECT_GE(marker, 9 + 5) << name << ": a marker per number column and per question column read";
    }
    // The second sheet.jpg is the second form: its annotation shows its own number grid, not the first's.
    EXPECT_NE(ReadFile(out / "sheet.jpg.png"), ReadFile(out / "sheet.jpg-2.png"));
}

TEST_F(BatchProgram, AnnotationsNeverOverwriteASheetOfTheBatch) {
    ScratchFolder scans;
    const fs::path sheet = scans.path / "a.jpg", picture = scans.path / "a.jpg.png";
    fs::copy_file((*forms)[0].files.at(".jpg"), sheet);
    fs::copy_file((*forms)[1].files.at(".png"), picture);
    const std::string pictureBytes = ReadFile(picture);
    const ProgramRun run = Read({"--annotate", scans.path.string(), sheet.string(), picture.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(picture), pictureBytes);
    EXPECT_TRUE(fs::exists(scans.path / "a.jpg-2.png"));
    EXPECT_TRUE(fs::exists(scans.path / "a.jpg.png.png"));
}

TEST_F(BatchProgram, FileNamesThatAreNotUtf8StayValidJson) {
    ScratchFolder scans;
    const fs::path odd = scans.path /
                         "Pr\xfc"
                         "fung\t1.png";
    fs::copy_file((*forms)[0].files.at(".png"), odd);
    const ProgramRun json = Read({"--format", "json", odd.string()});
    const auto objects = ParseJsonLines(json.out);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0]["file"].toString(),
              QString::fromStdString(scans.path.string()) + "/Pr\uFFFDfung\t1.png");
    EXPECT_EQ(objects[0]["number"].toString().toStdString(), (*forms)[0].number);
    const ProgramRun text = Read({odd.string()});
    EXPECT_EQ(Split(text.out, '\t').size(), 3u) << "the tab in the name is escaped: " << text.out;
    EXPECT_TRUE(text.out.starts_with(scans.path.string() + "/Pr\xfc"
                                                           "fung\\t1.png\t"));
}

// Inputs that read without any form: the built-in sample, and files that are no sheet at all.
TEST(BatchProgramInputs, BadFilesAreNamedWithTheirReasonAndTheOthersStillRead) {
    ScratchFolder scans;
    const fs::path empty = scans.path / "empty.png", text = scans.path / "notes.txt",
                   tiny = scans.path / "seven.bin", cut = scans.path / "cut.jpg",
                   missing = scans.path / "missing.png", locked = scans.path / "locked.png";
    WriteFile(empty, "");
    WriteFile(text, "Class 3b, Monday: sheets to be scanned.\n");
    WriteFile(tiny, "\xFF\xD8\xFF\xE0\x00\x10J");
    WriteFile(cut, std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20));
    WriteFile(locked, "\x89PNG\r\n\x1a\n");
    fs::permissions(locked, fs::perms::none);
    const bool rootReadsAnything = ::geteuid() == 0;

    const ProgramRun run =
        Read({"--format", "csv", empty.string(), "--sample", missing.string(), scans.path.string(),
              text.string(), tiny.string(), cut.string(), locked.string()});
    EXPECT_EQ(run.status, 1);
    bool crlfOnly = false;
    const auto records = ParseCsv(run.out, crlfOnly);
    ASSERT_EQ(records.size(), 9u);
    const std::vector<std::pair<std::string, std::string>> expected{
        {empty.string(), "undecodable"},
        {"<sample>", "ok"},
        {missing.string(), "unreadable"},
        {scans.path.string(), "unreadable"},
        {text.string(), "undecodable"},
        {tiny.string(), "undecodable"},
        {cut.string(), "undecodable"},
        {locked.string(), rootReadsAnything ? "undecodable" : "unreadable"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(records[i + 1][0], expected[i].first);
        EXPECT_EQ(records[i + 1][1], expected[i].second) << expected[i].first;
        if (expected[i].second != "ok") {
            for (std::size_t f = 2; f < records[i + 1].size(); ++f) EXPECT_EQ(records[i + 1][f], "");
        }
    }
    EXPECT_EQ(records[2][2].size(), 9u) << "the sample between the bad files is read";
    for (const auto& reason :
         {missing.string() + ": unreadable: No such file or directory",
          scans.path.string() + ": unreadable: Is a directory",
          empty.string() + ": undecodable: the file is empty", text.string() + ": undecodable: ",
          tiny.string() + ": undecodable: ", cut.string() + ": undecodable: "}) {
        EXPECT_NE(run.err.find(reason), std::string::npos) << reason << "\nin:\n" << run.err;
    }
    if (!rootReadsAnything) {
        EXPECT_NE(run.err.find(locked.string() + ": unreadable: Permission denied"), std::string::npos)
            << run.err;
    }
    EXPECT_NE(run.err.find("8 files: 1 sheet read"), std::string::npos) << run.err;
}

TEST(BatchProgramInputs, SampleReadsAsItsExpectationSays) {
    const ProgramRun run = Read({"--sample"});
    const auto fields = Split(run.out, '\t');
    ASSERT_EQ(fields.size(), 3u) << run.out;
    EXPECT_EQ(fields[0], "<sample>");
    EXPECT_EQ(run.err.find("\r"), std::string::npos) << "no progress line when stderr is no terminal";
    if (sampleExpected.empty() || !fs::exists(sampleExpected))
        GTEST_SKIP() << "no expectation for the sample";
    std::string number, answers;
    for (const std::string& line : Lines(ReadFile(sampleExpected))) {
        if (line.starts_with("number=")) number = line.substr(7);
        if (line.starts_with("answers=")) answers = line.substr(8);
    }
    EXPECT_EQ(run.out, "<sample>\t" + number + "\t" + answers + "\n");
    EXPECT_EQ(run.status, 0) << run.err;
}

// Runs the reader with stderr on a terminal (a pseudo-terminal), stdout caught as usual.
ProgramRun ReadOnTerminal(const std::vector<std::string>& args) {
    ProgramRun run;
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return run;
    const fs::path outPath = fs::temp_directory_path() / ("marksheet-read-tty-" + std::to_string(::getpid()));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, slave, 2);
    posix_spawn_file_actions_addclose(&actions, master);
    std::vector<char*> argv{const_cast<char*>(readerProgram.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const bool started =
        posix_spawn(&pid, readerProgram.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(slave);
    // Drain the terminal while the program runs, so it never blocks on a full terminal buffer.
    for (char buffer[4096]; started;) {
        pollfd waiting{master, POLLIN, 0};
        if (::poll(&waiting, 1, 30000) <= 0) break;
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) break;  // EIO once the program has closed its side
        run.err.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(master);
    if (started) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    run.out = ReadFile(outPath);
    fs::remove(outPath);
    return run;
}

TEST(BatchProgramInputs, ProgressLineOnlyOnATerminalAndOnlyForSeveralFiles) {
    const ProgramRun several = ReadOnTerminal({"--sample", "--sample", "--sample"});
    ASSERT_NE(several.status, -1);
    EXPECT_NE(several.err.find("\r3/3 sheets, "), std::string::npos) << several.err;
    EXPECT_NE(several.err.find(" sheets/s"), std::string::npos) << several.err;
    EXPECT_NE(several.err.find("marksheet-read: 3 files:"), std::string::npos) << several.err;
    EXPECT_EQ(several.out.find('\r'), std::string::npos) << "progress never reaches the results";
    EXPECT_EQ(Lines(several.out).size(), 3u);

    const ProgramRun one = ReadOnTerminal({"--sample"});
    EXPECT_EQ(one.err.find("sheets/s"), std::string::npos) << one.err;
    const ProgramRun piped = Read({"--sample", "--sample", "--sample"});
    EXPECT_EQ(piped.err.find("sheets/s"), std::string::npos) << piped.err;
    EXPECT_EQ(piped.err.find('\r'), std::string::npos) << piped.err;
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    friend void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }
};

class BatchProgramUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(BatchProgramUsage, PrintsTheUsageAndExitsWithTwoOnErrorsZeroOnHelp) {
    const ProgramRun run = Read(GetParam().args);
    const bool help = GetParam().args == std::vector<std::string>{"--help"};
    EXPECT_EQ(run.status, help ? 0 : 2);
    EXPECT_NE((help ? run.out : run.err).find("Usage: marksheet-read [options] FILE..."), std::string::npos);
    if (!help) {
        EXPECT_EQ(run.out, "") << "errors go to stderr only";
        EXPECT_TRUE(run.err.starts_with("marksheet-read: ")) << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BatchProgramUsage,
                         testing::Values(UsageCase{"help", {"--help"}}, UsageCase{"noFiles", {}},
                                         UsageCase{"unknownOption", {"--colour", "a.png"}},
                                         UsageCase{"missingArgument", {"a.png", "--jobs"}},
                                         UsageCase{"badFormat", {"--format", "xml", "a.png"}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Every picture of the corpus, good and bad, in one batch: nothing crashes or hangs, every file gets
// its record, and the files whose outcome is not optional decode or fail as listed.
TEST(BatchProgramCorpus, EveryCorpusFileGetsItsRecord) {
    const fs::path manifest = fs::path(corpusDir) / "MANIFEST.tsv";
    if (corpusDir.empty() || !fs::exists(manifest))
        GTEST_SKIP() << "no picture corpus at '" << corpusDir << "'";
    std::vector<std::string> files;
    std::vector<std::string> expected;  // "good", "bad" or "" for optional
    for (const std::string& line : Lines(ReadFile(manifest))) {
        const auto columns = Split(line, '\t');
        if (columns.size() < 7 || columns[0] == "path") continue;
        files.push_back((fs::path(corpusDir) / columns[0]).string());
        expected.push_back(columns[6].find("OPTIONAL") != std::string::npos ? "" : columns[5]);
    }
    ASSERT_FALSE(files.empty());
    std::vector<std::string> args{"--format", "json", "--jobs", "2"};
    args.insert(args.end(), files.begin(), files.end());
    const ProgramRun run = Read(args);
    ASSERT_NE(run.status, -1) << "the reader crashed";
    EXPECT_TRUE(run.status == 0 || run.status == 1 || run.status == 3) << run.status;
    const auto objects = ParseJsonLines(run.out);
    ASSERT_EQ(objects.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(objects[i]["file"].toString().toStdString(), files[i]);
        const std::string status = objects[i]["status"].toString().toStdString();
        if (expected[i] == "good") {
            EXPECT_EQ(status, "ok") << files[i];
        }
        if (expected[i] == "bad") {
            EXPECT_EQ(status, "undecodable") << files[i];
        }
        if (status != "ok") {
            EXPECT_FALSE(objects[i]["error"].toString().isEmpty()) << files[i];
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string_view name) { return arg.substr(name.size()); };
        if (arg.starts_with("--reader="))
            readerProgram = value("--reader=");
        else if (arg.starts_with("--form="))
            formProgram = value("--form=");
        else if (arg.starts_with("--corpus="))
            corpusDir = value("--corpus=");
        else if (arg.starts_with("--sample-expected="))
            sampleExpected = value("--sample-expected=");
    }
    return RUN_ALL_TESTS();
}
