#pragma once
// quillon-bench subcommands over the utility routines.

//   digest FILE              the MD5 and SHA-1 rows of the document window's report
int DigestCommand(const char* APath);
//   base64 encode|decode     standard input to standard output; a decode error goes to standard
//                            error and ends with status 1
int Base64Command(const char* AMode);
