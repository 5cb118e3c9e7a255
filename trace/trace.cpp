// The trace file: settings, line building, the buffer, the size limit and the
// change to a new file. No system calls of its own: they come in TraceSystem.
#include "trace_control.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "kw_version.h"

bool g_trcOn;

namespace {

enum { BUFFER_SIZE = 64 << 10 };

const char kDefaultFile[] = "kestrelwing-trace.txt";

const TraceSystem* s_system;
void* s_file;
char s_path[TRC_PATH_SIZE], s_previous[TRC_PATH_SIZE];
u32 s_limit;
u64 s_fileBytes;  // written to the current file
u64 s_origin;     // clock at opening
char s_buffer[BUFFER_SIZE];
u32 s_used;
void (*s_undo)(void);  // what the layers above undo when the trace ends

void Stop(void)
{
    if (s_file) s_system->close(s_file);
    s_file = nullptr;
    s_used = 0;
    g_trcOn = false;
    void (*undo)(void) = s_undo;
    s_undo = nullptr;
    if (undo) undo();
}

// Writes the buffer out; a failed write ends the trace.
void Drain(void)
{
    if (!s_file || s_used == 0) return;
    if (!s_system->write(s_file, s_buffer, s_used)) return Stop();
    s_fileBytes += s_used;
    s_used = 0;
}

void Put(const char* text, u32 size)
{
    if (s_used + size > BUFFER_SIZE) Drain();
    if (!g_trcOn) return;
    memcpy(s_buffer + s_used, text, size);
    s_used += size;
}

void Heading(const char* what)
{
    char now[32] = "";
    s_system->localTime(now, sizeof now);
    TraceLine line;
    TRC_Begin(&line, TRC_Now());
    TRC_Append(&line, "Brennholt Kestrelwing %s trace %s, %s; time in microseconds since start-up", KW_VERSION_TEXT,
               what, now);
    TRC_End(&line);
}

// The current file becomes the previous one and a new file begins.
void NextFile(void)
{
    Drain();
    if (!g_trcOn) return;
    s_system->close(s_file);
    s_system->replace(s_path, s_previous);
    s_file = s_system->create(s_path);
    s_fileBytes = 0;
    if (!s_file) return Stop();
    Heading("continued");
}

}  // namespace

bool TRC_PathFromSettings(const char* environment, const char* registry, const char* tempFolder, char* path,
                          u32 size)
{
    const char* value = environment && *environment ? environment : registry;
    if (!value || !*value || !strcmp(value, "0")) return false;
    int n = strcmp(value, "1") == 0 ? snprintf(path, size, "%s%s", tempFolder ? tempFolder : "", kDefaultFile)
                                    : snprintf(path, size, "%s", value);
    return n > 0 && (u32)n < size;
}

bool TRC_PreviousPath(const char* path, char* previous, u32 size)
{
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    const char* dot = strrchr(name, '.');
    size_t stem = dot && dot != name ? (size_t)(dot - path) : strlen(path);
    int n = snprintf(previous, size, "%.*s.1%s", (int)stem, path, path + stem);
    return n > 0 && (u32)n < size;
}

bool TRC_Open(const TraceSystem* system, const char* path, u32 fileLimit)
{
    TRC_Close();
    s_system = system;
    if (strlen(path) >= sizeof s_path || !TRC_PreviousPath(path, s_previous, sizeof s_previous)) return false;
    kw_strlcpy(s_path, path, sizeof s_path);
    system->replace(s_path, s_previous);
    s_file = system->create(s_path);
    if (!s_file) return false;
    s_limit = fileLimit;
    s_fileBytes = 0;
    s_used = 0;
    s_origin = system->microseconds();
    g_trcOn = true;
    Heading("started");
    return g_trcOn;
}

void TRC_Flush(void)
{
    if (g_trcOn) Drain();
}

void TRC_Close(void)
{
    if (!g_trcOn) return;
    Drain();
    Stop();
}

void TRC_WhenEnded(void (*undo)(void)) { s_undo = undo; }

u64 TRC_Now(void) { return g_trcOn ? s_system->microseconds() - s_origin : 0; }

void TRC_Begin(TraceLine* line, u64 time)
{
    int n = snprintf(line->text, sizeof line->text, "%10llu ", (unsigned long long)time);
    line->length = n > 0 ? (u32)n : 0;
}

static void AppendV(TraceLine* line, const char* format, va_list args)
{
    u32 room = sizeof line->text - line->length;
    int n = vsnprintf(line->text + line->length, room, format, args);
    if (n > 0) line->length += (u32)n < room ? (u32)n : room - 1;
}

void TRC_Append(TraceLine* line, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    AppendV(line, format, args);
    va_end(args);
}

// One character; the last byte of the text stays free for the line's end.
static void PutChar(TraceLine* line, char c)
{
    if (line->length + 1 < sizeof line->text) line->text[line->length++] = c;
}

void TRC_AppendText(TraceLine* line, const char* text, u32 max)
{
    if (!text) return TRC_Append(line, "NULL");
    PutChar(line, '"');
    u32 i = 0;
    for (; i < max && i < TRC_TEXT_CUT && text[i]; ++i) {
        unsigned char c = (unsigned char)text[i];
        if (c < 0x20 || c == 0x7F) TRC_Append(line, "\\x%02X", c);
        else PutChar(line, (char)c);
    }
    PutChar(line, '"');
    if (i == TRC_TEXT_CUT && i < max && text[i]) TRC_Append(line, "...");
}

void TRC_End(TraceLine* line)
{
    if (!g_trcOn) return;
    // The line's end always fits: pieces stop one byte short of the buffer.
    line->text[line->length++] = '\n';
    // An empty file takes any line, so that a new file never follows an empty one.
    u64 size = s_fileBytes + s_used;
    if (size > 0 && size + line->length > s_limit) NextFile();
    Put(line->text, line->length);
}

void TRC_Printf(const char* format, ...)
{
    if (!g_trcOn) return;
    TraceLine line;
    TRC_Begin(&line, TRC_Now());
    va_list args;
    va_start(args, format);
    AppendV(&line, format, args);
    va_end(args);
    TRC_End(&line);
}
