#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 Dravo. All rights reserved; see the collection's LICENSE.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: data_source
short_description: Data sources of the Dravo Spark ODBC Driver
description:
  - Makes a data source of unixODBC (its C(odbc.ini) files) hold the settings given, or removes it,
    through C(dravo-spark-config set --dsn NAME --json) and C(dravo-spark-config remove --dsn NAME --json),
    each setting given to the tool as one argument.
  - Each value is checked by the data-source dialog's own rules (ranges, lists, what a mechanism allows,
    what a server type uses, a host that is not empty, a port number). A value the dialog would not save
    fails the task with the tool's message, and nothing is written.
  - A new data source is registered for the Dravo Spark ODBC Driver; settings not named are left as they
    are, unless I(exact) is set or they are named in I(remove).
  - Asking for what the data source holds writes nothing and reports no change.
author:
  - Dravo (@dravo)
extends_documentation_fragment:
  - dravo.spark_odbc.tool
  - dravo.spark_odbc.tool.DATA_SOURCE_FILES
  - dravo.spark_odbc.tool.SETTINGS
options:
  name:
    description:
      - The data source's name (at most 32 characters, none of C([]{}(),;?*=!@\)).
    type: str
    required: true
  state:
    description:
      - C(present) makes the data source hold I(settings); C(absent) removes it from I(scope).
    type: str
    choices: [present, absent]
    default: present
  scope:
    description:
      - With I(state=present), where a new data source is made, among the user's data sources or the
        system's; an existing one is changed where it is (the user's first, as unixODBC looks it up).
      - With I(state=absent), the data sources it is removed from; a data source of the same name in the
        other scope stays.
    type: str
    choices: [user, system]
    default: system
attributes:
  check_mode:
    description: Reports what would change, and writes nothing; a change this user could not save fails.
    support: full
  diff_mode:
    description: Shows each setting changed, before and after; passwords and secret settings are masked.
    support: full
  platform:
    description: Linux and other POSIX systems with unixODBC and the driver's package.
    support: full
    platforms: posix
notes:
  - A system data source needs root; use C(become).
seealso:
  - module: dravo.spark_odbc.data_source_info
  - module: dravo.spark_odbc.driver
"""

EXAMPLES = r"""
- name: The reporting data source on every BI server
  dravo.spark_odbc.data_source:
    name: Reports
    scope: system
    settings:
      DESCRIPTION: Reporting cluster
      Host: spark.example.com
      Port: 10001
      SparkServerType: SparkThriftServer (Spark 1.1 and later)
      AuthMech: 3
      UID: svc_reports
    password: "{{ vault_spark_password }}"
  become: true

- name: No more test data source among the system's
  dravo.spark_odbc.data_source:
    name: Test
    state: absent
    scope: system
  become: true
"""

RETURN = r"""
changed:
  description: Whether the data source was changed, made or removed (in check mode, would be).
  returned: always
  type: bool
location:
  description: The file and section of the data source.
  returned: always
  type: str
  sample: /etc/odbc.ini [Reports]
scope:
  description: Where the data source is (or was, or is made), C(user) or C(system).
  returned: success
  type: str
  sample: system
settings:
  description:
    - Each setting named or changed, with its value before and after (null when not stored) and whether
      it changed; passwords and I(secret_settings) are masked. For a removal, every setting it held.
  returned: always
  type: dict
  sample: {"Host": {"before": null, "after": "spark.example.com", "changed": true}}
notes:
  description:
    - Stored values the dialog shows differently, which the save changed to what it shows; each is also
      given as a warning.
  returned: always
  type: list
  elements: dict
  contains:
    place:
      description: The file and line.
      type: str
    name:
      description: The setting.
      type: str
    stored:
      description: The value that was stored (masked for a password).
      type: str
    shown:
      description: What the dialog shows, and a save writes.
      type: str
    reason:
      description: Why the two differ.
      type: str
msg:
  description: The tool's refusal or error, when the task failed.
  returned: failure
  type: str
rc:
  description: The tool's exit status, when it refused or failed.
  returned: failure
  type: int
  sample: 65
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.dravo.spark_odbc.plugins.module_utils.config_tool import (
    DATA_SOURCE_FILE_OPTIONS,
    SETTINGS_OPTIONS,
    TOOL_OPTIONS,
    SettingsRequest,
    Tool,
    check_name,
    finish,
    merge,
)


def main():
    module = AnsibleModule(
        argument_spec=dict(
            TOOL_OPTIONS,
            name=dict(type="str", required=True),
            state=dict(type="str", choices=["present", "absent"], default="present"),
            scope=dict(type="str", choices=["user", "system"], default="system"),
            **dict(DATA_SOURCE_FILE_OPTIONS, **SETTINGS_OPTIONS)
        ),
        supports_check_mode=True,
    )
    name = check_name(module, module.params["name"], "data source")
    scope = module.params["scope"]
    if module.params["state"] == "absent":
        tool = Tool(module, ["--dsn", name, "--" + scope])
        result = merge([tool.run(["remove"], check=module.check_mode)])
        result["scope"] = scope
        finish(module, None, result)

    request = SettingsRequest(module)
    listed = Tool(module).run(["list"], what="data_sources")["data_sources"]
    scopes = [source["scope"] for source in listed if source["name"].lower() == name.lower()]
    # An existing one is changed where applications find it: the user's first.
    where = "user" if "user" in scopes else "system" if "system" in scopes else scope
    tool = Tool(module, ["--dsn", name, "--" + where])
    answers = request.apply(tool)
    if not answers:
        # Nothing asked but that it be there: an empty request, which holds no value.
        answers = [tool.run(["apply", "-"], stdin="[%s]\n" % name, check=module.check_mode)]
    result = merge(answers)
    result["scope"] = where
    finish(module, request, result)


if __name__ == "__main__":
    main()
