#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 Dravo. All rights reserved; see the collection's LICENSE.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: connection_test
short_description: Test a connection of the Dravo Spark ODBC Driver, layer by layer
description:
  - Runs the connection diagnosis of C(dravo-spark-config test --json) for one data source, or for
    settings given for one not stored yet (settings, driver library, discovery, name, connection, TLS,
    Kerberos, transport, the driver's own test) and returns each step with its status, detail and hint.
  - The task fails when a step fails, unless I(fail_on_error) is false. Changes nothing.
  - Needs a C(dravo-spark-config) with the C(test) command; an older one fails the task saying so.
version_added: "1.2.0"
author:
  - Dravo (@dravo)
extends_documentation_fragment:
  - dravo.spark_odbc.tool
  - dravo.spark_odbc.tool.DATA_SOURCE_FILES
options:
  name:
    description:
      - The data source to test. One of I(name) and I(settings) is needed.
    type: str
  settings:
    description:
      - Settings to test with, as the data source would hold them (for example C(Host) and C(Port)); with
        I(name), they take the place of the stored ones.
      - Values are text, whole numbers, or booleans for switches.
    type: dict
  fail_on_error:
    description:
      - Fail the task when the test fails; with C(false) the result tells it in I(ok).
    type: bool
    default: true
attributes:
  check_mode:
    description: Changes nothing; runs alike in check mode.
    support: full
  diff_mode:
    description: Nothing changes, so there is no diff.
    support: none
  platform:
    description: Linux and other POSIX systems with the driver's package.
    support: full
    platforms: posix
seealso:
  - module: dravo.spark_odbc.data_source
"""

EXAMPLES = r"""
- name: Can every BI server reach the cluster through Reports?
  dravo.spark_odbc.connection_test:
    name: Reports
"""

RETURN = r"""
ok:
  description: Whether every step passed.
  returned: always
  type: bool
steps:
  description: Each step of the diagnosis, in order.
  returned: always
  type: list
  elements: dict
  contains:
    step:
      description: What was tested.
      type: str
    status:
      description: How it went.
      type: str
    detail:
      description: What was found.
      type: str
    hint:
      description: What to do when it failed.
      type: str
    seconds:
      description: How long it took.
      type: float
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.dravo.spark_odbc.plugins.module_utils.config_tool import (
    DATA_SOURCE_FILE_OPTIONS,
    TOOL_OPTIONS,
    Tool,
    check_name,
    setting_text,
)


def main():
    module = AnsibleModule(
        argument_spec=dict(TOOL_OPTIONS, name=dict(type="str"), settings=dict(type="dict"),
                           fail_on_error=dict(type="bool", default=True), **DATA_SOURCE_FILE_OPTIONS),
        required_one_of=[("name", "settings")],
        supports_check_mode=True)
    target = ["--dsn", module.params["name"]] if module.params["name"] else []
    # Each setting its own argument: a value is never read as more than one.
    given = ["%s=%s" % (check_name(module, name), setting_text(module, name, value))
             for name, value in (module.params["settings"] or {}).items()]
    # A failed test exits non-zero with its answer; what it answers decides.
    answer = Tool(module, target).run(["test"] + given, allowed=range(0, 256), what="steps")
    steps = answer.get("steps") or []
    ok = bool(answer.get("ok"))
    if not ok and module.params["fail_on_error"]:
        failed = [step for step in steps if step.get("status") not in ("ok", "passed", "skipped")]
        first = failed[0] if failed else {}
        module.fail_json(msg="the connection test failed%s" % (
            ": %s: %s %s" % (first.get("step"), first.get("detail", ""), first.get("hint", "")) if first else
            (": " + answer["error"]) if answer.get("error") else ""), ok=ok, steps=steps)
    module.exit_json(changed=False, ok=ok, steps=steps)


if __name__ == "__main__":
    main()
