/* The program's version information, in one place: read by the program and by
   the Windows resource script, so it stays plain C preprocessor text. */
#pragma once

#define SIGPATCH_TITLE "Sigpatch"
#define SIGPATCH_VERSION_MAJOR 1
#define SIGPATCH_VERSION_MINOR 1
#define SIGPATCH_VERSION_REVISION 2
#define SIGPATCH_COMPANY_NAME "Ferrolite"
#define SIGPATCH_COMMENTS "Checks for definition updates in a specified location and applies them."
#define SIGPATCH_LEGAL_COPYRIGHT "Ferrolite"
#define SIGPATCH_LINK "https://www.ferrolite.example/sigpatch/"
