"""The text of docs/PERFORMANCE.md around the figures: what each family measures.

Kept free of figures, which change with every run; a family without a note here is
still reported, with its table alone.
"""

# Families whose argument is an input size in bytes; their zbutil / peer ratios and
# growth are checked against the targets.
STRING_FAMILIES = {"FindIcase", "IsSubString", "Replace", "StringSplit", "TrimWhiteSpaces",
                   "Trim", "Unescape", "FindIcaseWorstCase", "Tokenize", "TokenizeEscaped"}

NOTES = {
    "_intro": """\
Refreshed by `scripts/bench.sh`, which builds the default preset, runs every
`zbutil_bench_*` executable of `build/default/bench/` and writes this file. Benchmarks
are named `Family/variant/argument`: the variant `zbutil` is the library, the others
are peers, or `floor`, the bare system calls, run side by side in the same binary and
the same run. Every ratio is zbutil / peer, so below 1.00 the library is faster.
Absolute times depend on the machine and its load; the ratios are what carry over.
For the strings and the tokenizer the argument is the input size, and the growth
exponent between two sizes is log(time ratio) / log(size ratio): 1 is linear, and
fixed costs make it smaller between the small sizes.""",

    "LogRecord": """\
One `Log` call that writes a record of about 100 bytes, one process, no contention.
`floor` makes by hand, in the same loop, the system calls that a record cannot do
without, with a record formatted in advance: `fcntl(F_SETLK)` to lock, `fstat` for the
size check, `fchown` for the group, one `write`, `fcntl(F_SETLK)` to unlock. `getpid`
is left out of the floor, since a record needs the process id, not a system call to
learn it each time; `floor_getpid` adds it, as `Log` makes it. `spdlog` is spdlog's
mutex-protected file logger with the same header fields, flushing after every record
(one `write` per record too), but with no lock between processes, no size check and
no group change: the difference to it is the price of sharing the log safely.
`strace -c` shows exactly the six calls of `floor_getpid` per record and no other;
`perf` puts most of a record's time in the kernel, above all in the lock pair
and in `fchown`, which updates the inode (change time, journal) even when the group
is already right (see `FloorCall`). The rest of the gap to the floor is the
formatting (`snprintf` of the header, `vsnprintf` of the message), `localtime_r`,
the record's allocation and the mutex.""",

    "FloorCall": """\
Each system call of the floor alone in a loop, on the same kind of files, to show
where the time of a record goes. `lock_unlock` is the pair of `fcntl(F_SETLK)`
calls.""",

    "LogFiltered": """\
A record whose level the mask turns away (the mask of the settings; `LogLevel` is not
set). No system call is made: `Log` takes its mutex and reads `LogLevel` from the
environment, as it must at every record. spdlog compares two levels.""",

    "Rotate64MiB": """\
Moving a 64 MiB log into a fresh backup in the same directory, so on the same
filesystem; between iterations, untimed, the backup is removed and the log filled
again, so both files are in the page cache and this measures the copy, not the disk.
`zbutil` is `RotateLogBackup`: it looks for the free backup number, copies through
two shared mappings and truncates the log (`MoveFileContent`), then sets the backup's
group. `readwrite` copies with `read` and `write` through a 128 KiB buffer and
`copy_file_range` lets the kernel copy, each followed by the same truncation. The
mapping copy takes page faults on both files and prepares each page written through
the mapping on its own, where one `write` fills 32 pages at once; it also needs twice
the log's size of free address space, which on i386 with the default limit of
256 MiB is half a gigabyte.""",

    "FindIcase": """\
`find_icase` against `boost::ifind_first`, the needle at the very end of mixed-case
text. The library upper-cases copies of both texts through a table and searches with
`memmem`; Boost folds every compared byte through `std::locale`.""",

    "IsSubString": """\
`IsSubString` against `boost::icontains`, on the same text and needle.""",

    "Replace": """\
A two-byte pattern every four bytes, each replaced by three bytes. Both sides copy
the input first, since both replace in place.""",

    "StringSplit": """\
`StringSplit(",", true)` against `boost::split` (empty fields kept) followed by
`boost::trim_if` with the same four white-space bytes, on a field every eight bytes;
the fields are checked to be the same.""",

    "TrimWhiteSpaces": """\
Sixteen blanks at either end. `TrimWhiteSpaces(" \\t\\n\\r")` against
`boost::trim_copy`, which strips what the locale calls space (also `\\v` and `\\f`,
absent here, so the results are the same).""",

    "Trim": """\
Sixteen `x` at either end. `Trim('x')` against `boost::trim_copy_if` comparing with
`x`. From a few KiB on, both are the copy of the text.""",

    "Unescape": """\
`GetStringWithoutEscapeChars` with an escape every four bytes. No peer: shown for its
growth.""",

    "FindIcaseWorstCase": """\
`find_icase` of 32 `A` and a `B` in a text of `a`: every position almost matches,
which costs a naive search 33 comparisons per byte. No peer: shown for its growth.""",

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
