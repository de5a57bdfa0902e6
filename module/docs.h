// Building blocks of the method docstrings: the SDK's documentation tags written without the
// closing slash, and the "*Overload N:*" blocks separated by "|" lines of overloaded functions.
#pragma once

#define V2PY_DOC(summary, extra) "\n<summary>" summary "<summary>\n" extra
#define V2PY_PARAM(name, text) "<param name=\"" name "\">" text "<param>\n"
#define V2PY_RETURNS(text) "<returns>" text "<returns>\n"
#define V2PY_OVERLOAD(n, text) "\n*Overload " #n ":*\n" text
#define V2PY_NEXT "\n|\n"
