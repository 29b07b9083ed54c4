/* Resource ids of frixa.exe, shared by resources/frixa.rc and the program. Plain #defines:
   the resource compiler reads this file too. */
#ifndef FRIXA_RESOURCE_IDS_H
#define FRIXA_RESOURCE_IDS_H

/* The program's icon: the lowest id, so the shell shows it for the executable. */
#define IDI_FRIXA 1
/* The 32 x 32 and 16 x 16 help button picture. */
#define IDI_HELP 2

/* Window and button pictures. */
#define IDB_BACKGROUND 201
#define IDB_LOGO 202
#define IDB_QUIT 203
#define IDB_SHOW_FRIXA 204
#define IDB_GO 205
#define IDB_APPLY 206
#define IDB_DELETE005 207

/* The template databases (resource type "MDB") have the ids of templates/template_ids.h. */
#include "templates/template_ids.h"

#endif
