"""The text of docs/PERFORMANCE.md around the figures: what each family measures.

Kept free of figures, which change with every run; a family without a note here is
still reported, with its table alone.
"""

# Families whose argument is an input size in bytes; their zbutil / peer ratios and
# growth are checked against the targets. Any other family with two or more numeric
# arguments counts as one too, unless it is listed in COUNTER_FAMILIES.
STRING_FAMILIES = {"FindIcase", "IsSubString", "Replace", "StringSplit", "TrimWhiteSpaces",
                   "Trim", "Uppercase", "Unescape", "FindIcaseWorstCase", "Tokenize",
                   "TokenizeEscaped"}

# The kinds of input a string family is measured on: its benchmarks are named
# Family.shape, and share the note of Family.
SHAPES = {
    "FindIcase.few_c": "few matches: the needle once, at the very end of mixed-case prose, "
                       "so the search reads every byte; C locale.",
    "FindIcase.few_utf8": "the same on German prose with multibyte letters, in C.UTF-8.",
    "FindIcase.many_c": "many matches: the needle every 26 bytes, the first near the start, "
                        "so the cost is the call's own; C locale.",
    "FindIcase.many_utf8": "the same on German text with multibyte letters, in C.UTF-8.",
    "IsSubString.c": "the needle at the very end of mixed-case prose; C locale.",
    "IsSubString.utf8": "the same on German prose with multibyte letters, in C.UTF-8.",
    "Replace.many": "many matches: one every four bytes.",
    "Replace.few": "few matches: one every 256 bytes of prose.",
    "StringSplit.short_kept": "short fields (a field every 4 bytes, at most 7 bytes, half of "
                              "them empty or blank), empty fields kept.",
    "StringSplit.short_skipped": "the same, empty fields skipped.",
    "StringSplit.long_kept": "long fields (5 to 30 bytes, beyond the standard string's short "
                             "buffer, one in five empty or blank), empty fields kept.",
    "StringSplit.long_skipped": "the same, empty fields skipped.",
    "TrimWhiteSpaces.padded": "sixteen blanks at either end.",
    "TrimWhiteSpaces.bare": "nothing to strip.",
    "Trim.padded": "sixteen `x` at either end.",
    "Trim.bare": "nothing to trim.",
    "Uppercase.c": "mixed-case ASCII prose; C locale.",
    "Uppercase.utf8": "German prose with multibyte letters, in C.UTF-8 (which maps only the "
                      "ASCII letters of single bytes, as Abseil does).",
}

# Families whose numeric argument counts something else (processes); their counters
# are shown as one table per counter.
COUNTER_FAMILIES = {"Contention", "FollowRotations"}

NOTES = {
    "_intro": """\
Refreshed by `scripts/bench.sh`, which builds the default preset, runs every
`zbutil_bench_*` executable of `build/default/bench/` family by family and writes this
file and its pictures (`docs/*.svg`, drawn with matplotlib); sections whose heading has
more than one word are written by hand and kept at the end. Benchmarks
are named `Family/variant/argument`: the variant `zbutil` is the library, the others
are peers, or `floor`, the bare system calls, run side by side in the same binary and
the same run. Every ratio is zbutil / peer, so below 1.00 the library is faster.
Absolute times depend on the machine and its load; the ratios are what carry over.
For the strings and the tokenizer the argument is the input size, and the growth
exponent between two sizes is log(time ratio) / log(size ratio): 1 is linear, and
fixed costs make it smaller between the small sizes.""",

    "LogRecordI386": """\
The same record and floor as LogRecord, from a 32-bit build of the library and the
benchmark (`-m32`), on the same machine.""",

    "LogRecord": """\
One `Log` call that writes a record of about 100 bytes, one process, no contention.
`floor` makes by hand, in the same loop, the system calls that a record cannot do
without, with a record formatted in advance: `fcntl(F_SETLK)` to lock, `fstat` for the
size check, `fchown` for the group, one `write`, `fcntl(F_SETLK)` to unlock.
`floor_getpid` adds `getpid`, which `Log` makes for every record so that a child
created by `fork` writes its own id; it is the floor the target compares with.
`spdlog` is spdlog's mutex-protected file logger with the same header fields, flushing
after every record (one `write` per record too), but with no lock between processes,
no size check and no group change: the difference to it is the price of sharing the
log safely. `strace -c` over 10,000 records shows exactly the six calls of
`floor_getpid` per record and no other, apart from one `stat` of `/etc/localtime` a
second at most (the time zone is read again when the second changes, as `localtime`
would at every call). Most of a record's time is in the kernel, above all in the lock
pair and in `fchown`, which updates the inode even when the group is already right
(see `FloorCall`).

Where the user-space part goes, in instructions per record (`valgrind --tool=callgrind`
over 10,000 records, x86_64, GCC 12 -O2; instruction counts hardly depend on the
machine or its load): about 1,600 in all (2,500 on i386). The message takes about 500
of them: its plain conversions (`%d`, `%u`, `%x`, `%s`, `%c` and the like, with no flag,
width or precision) are formatted by hand, any other format goes to `vsnprintf`
whole, which took about 1,200 for this message. Reading `LogLevel` from the environment
(`getenv`, at every record) takes about 300; the header, built by hand from the
process id's text and the date and time of the current second, both kept per thread
and rebuilt only when they change, about 260; the rest, about 550, is the libc wrappers
of the six system calls, the mutex that orders the threads of a process, and the
counts. A record takes no allocation. Before the header was built by hand it was one
`snprintf` of some 5,000 instructions, and the record about 7,400.""",

    "FloorCall": """\
Each system call of the floor alone in a loop, on the same kind of files, to show
where the time of a record goes. `lock_unlock` is the pair of `fcntl(F_SETLK)`
calls.""",

    "LogFiltered": """\
A record whose level the mask turns away (the mask of the settings; `LogLevel` is not
set). No system call, no mutex and no allocation: `Log` reads `LogLevel` from the
environment, as it must at every record, and compares. spdlog compares two levels.""",

    "Contention": """\
1, 2, 4 and 8 processes, each with its own logger, log in a tight loop into one log
for 0.5 s, with lock wait bounds of 0 (the default: drop at once), 1 ms and 10 ms
(`wait_*`). `syslog` is what a Linux user would pick instead for many processes writing
one log: the same processes send the same records with syslog(3) to a local rsyslogd
that writes one file. The benchmark starts its own rsyslogd (its own configuration,
socket and file in a scratch directory, rate limiting off); since syslog(3) always
sends to `/dev/log`, a sender in the benchmark does what it does per message (time
stamp, `vsnprintf`, one `send` on a blocking datagram socket) to that socket instead.
`lost` is the fraction of the calls whose record is not in the file; `written_per_s`
counts the records in the file per second of all processes together, for syslog until
rsyslogd has written the last one; `cpu_ns_per_written` is the CPU time (user and
system) per record in the file, of all writers and, for syslog, of rsyslogd too;
`ns_per_call` is how long one call took on average, waiting included. syslog loses
nothing here: a full socket blocks the sender, so its processes wait for rsyslogd, and
the one daemon sets the pace for all of them.""",

    "FollowRotations": """\
How fast a log may rotate before `zblog parse --follow` (and ship, which follows the
same way) loses records: 4 writer processes log 12,000 records each (about 90 bytes)
as fast as they can into a log of the given size limit with 8 backups, while the
follower reads along in the benchmark's process. `zbutil` is the follower as zblog runs
it, woken by every change in the log's directory (inotify); `poll100ms` the same
follower woken by its 100 ms poll alone, as where events are not available: it can
keep up only while the 8 backups last longer than a poll (under 80 rotations a second).
The time is the writers' (from the first record to the last writer's exit).
`rotations_per_s` is the rate the writers reached, `missing` the share of the records
the follower never got, and `loss_reported` whether it reported a loss (it reports
every one); on 2 cores the writers and the follower share the CPU, so at the highest
rates a starved follower falls behind by more than 8 rotations.""",

    "ShipRecord": """\
What `zblog ship` costs per record, without the network: ship's loop follows a log of
100,000 records (about 90 bytes each, rotated at 1 MiB into 16 backups) from its
oldest backup and sends each to a receiver in the same process that confirms it at
once. `zbutil` is ship as run by hand; `metrics` adds `--metrics FILE` (rewritten
every 2 s); `notify` runs it as under a service manager (`NOTIFY_SOCKET` and
`WATCHDOG_USEC` set: READY, STATUS as it changes, watchdog pings). The time is for all
100,000 records.""",

    "ShipStatus": """\
`zblog ship --status` on the same log without a state file yet (the backlog is then the
live log): it reads the backlog to count its records; `records_behind` is how many.""",

    "Rotate64MiB": """\
Moving a 64 MiB log into a fresh backup in the same directory, so on the same
filesystem; between iterations, untimed, the backup is removed and the log filled
again, so both files are in the page cache and this measures the copy, not the disk.
`zbutil` is `RotateLogBackup`: it probes the backup names, copies the log with
`copy_file_range` into an unnamed temporary file (`O_TMPFILE`, its group set on the
descriptor), flushes it (`fdatasync`), links it in as the backup (`linkat`), flushes
the directory (`fsync`) and truncates the log. `readwrite` copies with `read` and
`write` through a 128 KiB buffer and `copy_file_range` lets the kernel copy, each
followed by the same truncation and no flush: their time is the copy alone, the
library's includes its two flushes.""",

    "_picture_contention": """\
Records lost (left) and records written per second (right) against the number of
processes: the logger without a wait and with each wait bound, and syslog through
rsyslogd.""",

    "_picture_best": """\
The library's time over that of its fastest peer, for every string family and shape
at each input size, logarithmic: below the solid line the library is faster; up to
the dotted one it is level (within the spread of the figures from run to run).""",

    "_picture_sizes": """\
Time per call against input size, both axes logarithmic, for each string and tokenizer
family: the library and every peer its benchmark runs. A line of slope 1 grows
linearly.""",

    "FindIcase": """\
`find_icase` of a six-byte needle, against
`boost::ifind_first`, `strcasestr` and `std::search` with the Boyer-Moore-Horspool
searcher folding through `toupper` (`std_bmh`); each is checked to find the same
position. Every side folds case through the locale (Boost through the C++ global
locale, set with the C one). The library copies neither text: it looks sixteen bytes at
a time for where the needle's first two bytes could start, as they would in the C
locale, and trusts that where the locale's case table is the C locale's (C.UTF-8 and
most UTF-8 locales: one comparison of 1 KiB), or where folding the few bytes before an
early match shows it; other locales take a general path. Boost folds every compared
byte through `std::locale`.""",

    "IsSubString": """\
`IsSubString` on the texts and the needle of `FindIcase` (few matches), against
`boost::icontains`, `strcasestr` and the `std_bmh` search.""",

    "Replace": """\
A two-byte pattern replaced by three bytes, against `boost::replace_all` and Abseil's
`absl::StrReplaceAll` (`absl`). Every side returns a new text: the library and Boost
copy the input first, since they replace in place. The library writes into one buffer
sized for the text and an eighth, grown at the rate seen so far when that runs out.""",

    "StringSplit": """\
`StringSplit(",", keepEmpty)` against `boost::split` followed by `boost::trim_if` with
the same four white-space bytes (and the removal of empty fields when they are
skipped), and against Abseil's `absl::StrSplit` by any of `,` (with
`absl::SkipWhitespace()` when empty fields are skipped) followed by
`absl::StripAsciiWhitespace`; the fields are checked to be the same. The library looks
for a single delimiter sixteen bytes at a time and builds each field once, trimmed.""",

    "TrimWhiteSpaces": """\
`TrimWhiteSpaces(" \\t\\n\\r")` against `boost::trim_copy`, which strips what the
locale calls space (also `\\v` and `\\f`, absent here, so the results are the same),
Abseil's `absl::StripAsciiWhitespace` and the standard string's
`find_first_not_of`/`find_last_not_of` and `substr` (`std`). The library compares
sixteen bytes at a time with each of the four, where the peers look up byte by byte.""",

    "Uppercase": """\
`Uppercase` into a new text, against `boost::to_upper_copy`, Abseil's
`absl::AsciiStrToUpper` and the C++ locale's `ctype<char>::toupper` over a copy
(`std`); the results are checked to be the same.""",

    "Trim": """\
`Trim('x')` against `boost::trim_copy_if` comparing with `x` and the standard string's
`find_first_not_of`/`find_last_not_of` and `substr` (`std`). From a few KiB on, all are
the copy of the text. The library looks at sixteen bytes at a time for the end of what
it strips, so sixteen `x` take one step, not sixteen; with nothing to strip, the call
into the shared library, and from there to `String`'s constructor, costs about a
nanosecond that the peers, compiled into the caller, do not pay: some 6 % of the copy
of a text of 100 B.""",

    "Unescape": """\
`GetStringWithoutEscapeChars` with an escape every four bytes. No peer: shown for its
growth.""",

    "FindIcaseWorstCase": """\
`find_icase` of 32 `A` and a `B` in a text of `a`: every position almost matches,
which costs a naive search 33 comparisons per byte; against `strcasestr` and the
`std_bmh` search, and shown for its growth.""",

    "Tokenize": """\
`ReParser` (delimiter `,`, escape `\\`) building its token list, against
`boost::tokenizer` with `escaped_list_separator('\\', ',', '"')` collecting every token
into a vector; fields of zero to five bytes. On such text both give the same tokens,
empty ones included (checked).""",

    "TokenizeEscaped": """\
The same with an escaped delimiter in every other token, written in each one's own
syntax for the same tokens: `alpha\\,beta` for `ReParser`, `"alpha,beta"` for Boost.
Where the two differ: `escaped_list_separator` has no escaped delimiter (it throws on
`\\,`) and protects delimiters with quotes, translates `\\n` and `\\\\` and throws on any
other escape, and takes single-byte delimiters only; `ReParser`'s escape counts only
right before a delimiter and is kept everywhere else, quotes are ordinary bytes, and
its delimiter is a string of any length.""",
}
