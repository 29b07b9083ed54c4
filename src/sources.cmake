# The source lists of the libraries and programs, one list per folder of src/ (see
# docs/architecture.md for what each folder holds and may include). Every .cpp file under src/
# is named here exactly once; scripts/check-layers fails on one that is not.

set(FRIXA_COMMON_SOURCES
  common/error.cpp
  common/number_text.cpp
  common/twips.cpp)

# The operating system seams: one portable header each, the Windows body in *_win32.cpp; the
# whole-file writer, portable, on top of them.
set(FRIXA_PLATFORM_SOURCES
  platform/whole_file.cpp)
set(FRIXA_PLATFORM_SOURCES_POSIX
  platform/file_ops.cpp
  platform/program_resource.cpp
  platform/short_date.cpp)
set(FRIXA_PLATFORM_SOURCES_WIN32
  platform/file_ops_win32.cpp
  platform/program_resource_win32.cpp
  platform/registry_win32.cpp
  platform/short_date_win32.cpp)

set(FRIXA_JET_SOURCES
  jet/build_catalog.cpp
  jet/build_encode.cpp
  jet/build_pages.cpp
  jet/catalog.cpp
  jet/column.cpp
  jet/corrupt.cpp
  jet/data_page.cpp
  jet/database.cpp
  jet/date_time.cpp
  jet/db_builder.cpp
  jet/file_io.cpp
  jet/header.cpp
  jet/long_value.cpp
  jet/page_file.cpp
  jet/properties.cpp
  jet/rc4.cpp
  jet/row_format.cpp
  jet/table_def.cpp
  jet/table_scan.cpp
  jet/text.cpp
  jet/usage_map.cpp
  jet/value.cpp
  jet/writer.cpp
  jet/writer_catalog.cpp
  jet/writer_encoding.cpp
  jet/writer_journal.cpp
  jet/writer_placement.cpp)

set(FRIXA_RUN_SOURCES
  run/friction_fitter.cpp
  run/record_repair.cpp
  run/revolution_calculator.cpp
  run/run_file.cpp
  run/run_pass.cpp
  run/time_fit.cpp)

set(FRIXA_RECORDSET_SOURCES
  recordset/bulk_rows.cpp
  recordset/field_convert.cpp
  recordset/field_value.cpp
  recordset/new_table.cpp
  recordset/open_databases.cpp
  recordset/query.cpp
  recordset/record_set.cpp
  recordset/statement.cpp)

set(FRIXA_TEMPLATES_SOURCES
  templates/build_file.cpp
  templates/resources.cpp
  templates/templates.cpp)

set(FRIXA_CALFILE_SOURCES
  calfile/averaging.cpp
  calfile/create_command.cpp
  calfile/file_names.cpp
  calfile/friction_fit.cpp
  calfile/info_record.cpp
  calfile/interpolate.cpp
  calfile/loss_curve.cpp
  calfile/physics_processor.cpp
  calfile/processing_phases.cpp
  calfile/recorded_counts.cpp
  calfile/recorded_fit.cpp
  calfile/rpm_sums.cpp
  calfile/smoothed_file.cpp)

set(FRIXA_GRAPHS_SOURCES
  graphs/graph_axes.cpp
  graphs/loss_graph_plot.cpp
  graphs/loss_graphs.cpp
  graphs/plot.cpp
  graphs/preview.cpp)

set(FRIXA_HOST_SOURCES
  host/apply_command.cpp
  host/compensation_status.cpp
  host/remove_command.cpp)

set(FRIXA_ANALYSIS_SOURCES
  analysis/analysed_file.cpp
  analysis/calibration_check.cpp
  analysis/analysis_view.cpp
  analysis/combine.cpp
  analysis/compare.cpp
  analysis/fit_verdict.cpp
  analysis/pdf_page.cpp
  analysis/plot.cpp
  analysis/plot_svg.cpp
  analysis/png_writer.cpp
  analysis/report.cpp)

set(FRIXA_BROWSER_SOURCES
  browser/file_browser.cpp
  browser/folder_paths.cpp
  browser/info_display.cpp)

set(FRIXA_APP_SOURCES
  app/analysis_layout.cpp
  app/association.cpp
  app/command_line.cpp
  app/dialog_filter.cpp
  app/double_click.cpp
  app/main_layout.cpp
  app/startup.cpp
  app/startup_preview.cpp)

set(FRIXA_SIM_SOURCES
  sim/rundown_simulator.cpp)

set(FRIXA_CORE_SOURCES
  ${FRIXA_COMMON_SOURCES} ${FRIXA_PLATFORM_SOURCES} ${FRIXA_JET_SOURCES} ${FRIXA_RUN_SOURCES} ${FRIXA_RECORDSET_SOURCES}
  ${FRIXA_TEMPLATES_SOURCES} ${FRIXA_CALFILE_SOURCES}
  ${FRIXA_GRAPHS_SOURCES} ${FRIXA_HOST_SOURCES} ${FRIXA_ANALYSIS_SOURCES}
  ${FRIXA_BROWSER_SOURCES} ${FRIXA_APP_SOURCES} ${FRIXA_SIM_SOURCES})
if(WIN32)
  list(APPEND FRIXA_CORE_SOURCES ${FRIXA_PLATFORM_SOURCES_WIN32})
else()
  list(APPEND FRIXA_CORE_SOURCES ${FRIXA_PLATFORM_SOURCES_POSIX})
endif()

# frixa-cli, the console front end.
set(FRIXA_CLI_SOURCES
  cli/cmd_analysis.cpp
  cli/cmd_analyze.cpp
  cli/cmd_calibration.cpp
  cli/cmd_export.cpp
  cli/cmd_make_templates.cpp
  cli/cmd_plot.cpp
  cli/cmd_preview.cpp
  cli/cmd_simulate.cpp
  cli/cmd_tables.cpp
  cli/console_frontend.cpp
  cli/json_text.cpp
  cli/main.cpp
  cli/options.cpp)

# The Win32 windows and controls (Windows build only): the library frixa_win, and the entry
# point of frixa.exe.
set(FRIXA_WIN_SOURCES
  win/analysis_window_win32.cpp
  win/browser_window_win32.cpp
  win/controls_win32.cpp
  win/digit_display_win32.cpp
  win/double_click_win32.cpp
  win/gdi_plot_canvas_win32.cpp
  win/graph_control_win32.cpp
  win/main_window_win32.cpp
  win/single_instance_win32.cpp
  win/ui_resources_win32.cpp
  win/win32_frontend_win32.cpp
  win/win32_window_win32.cpp)
set(FRIXA_PROGRAM_SOURCES
  win/program_main_win32.cpp)

list(TRANSFORM FRIXA_CORE_SOURCES PREPEND "${CMAKE_CURRENT_LIST_DIR}/")
list(TRANSFORM FRIXA_CLI_SOURCES PREPEND "${CMAKE_CURRENT_LIST_DIR}/")
list(TRANSFORM FRIXA_WIN_SOURCES PREPEND "${CMAKE_CURRENT_LIST_DIR}/")
list(TRANSFORM FRIXA_PROGRAM_SOURCES PREPEND "${CMAKE_CURRENT_LIST_DIR}/")
