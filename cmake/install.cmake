# What a user meets: ./demo's explanations of a failed run, the install layout
# and its test.
enable_testing()
add_test(NAME demo-explains-failures COMMAND bash ${CMAKE_SOURCE_DIR}/tests/explain_failure_test.sh)
