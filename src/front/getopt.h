#ifndef QUORVANE_FRONT_GETOPT_H_
#define QUORVANE_FRONT_GETOPT_H_

/// One entry of a long-option table; an entry with a null `option_name` ends it.
struct long_option {
  const char* option_name;  ///< the name without "--", compared exactly
  int has_arg;              ///< 0 none, 1 required, 2 optional; anything else is an error
  int* flag_target;         ///< when not null, a match stores option_value here and returns 0
  int option_value;         ///< what a match returns when flag_target is null
};

// The parser's process-wide state; only the parser writes it (the caller may
// set my_opterr).
extern int my_optind;        ///< index of the argv element to look at next
extern unsigned my_optpos;   ///< 0: a fresh element; else the next character of a cluster
extern char* my_optarg;      ///< argument of the option just returned; points into argv
extern int my_optopt;        ///< the option character or code of the last error
extern int my_opterr;        ///< nonzero: errors print a diagnostic on standard error

/// Returns the next option of `argv`, -1 at the end of the options, '?' on an
/// error (after its diagnostic), or ':' for a missing required argument when
/// `optlist` begins with ':'. Never changes `argv`.
int my_getopt_long(int argc, char* const* argv, const char* optlist,
                   const long_option* long_options, int* long_index);

/// Puts the parser back in its starting state, so that another command line
/// can be parsed in the same process.
void my_getopt_reset();

#endif  // QUORVANE_FRONT_GETOPT_H_
