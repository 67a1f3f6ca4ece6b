#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: data_source
short_description: Data sources of the Dravo Spark ODBC Driver
description:
  - Makes a data source of the ODBC installer (unixODBC's C(odbc.ini) on Linux, the ODBC registry keys
    on Windows) hold the settings given, or removes it, through
    C(dravo-spark-config apply --dsn NAME --json) and C(dravo-spark-config remove --dsn NAME --json).
  - Each value is checked by the data-source dialog's own rules (ranges, lists, what a mechanism allows,
    what a server type uses, a host that is not empty, a port number). A value the dialog would not save
    fails the task with the tool's message, and nothing is written.
  - A new data source is registered for the Dravo Spark ODBC Driver; settings not named are left as they
    are, unless I(exact) is set.
  - Asking for what the data source holds writes nothing and reports no change.
version_added: "1.1.1"
author:
  - Dravo
options:
  name:
    description:
      - The data source's name (at most 32 characters, none of C([]{}(),;?*=!@\)).
    type: str
    required: true
  state:
    description:
      - C(present) makes the data source hold I(settings); C(absent) removes it.
    type: str
    choices: [present, absent]
    default: present
  scope:
    description:
      - Where a new data source goes, the user's C(odbc.ini) or the system's. An existing one is changed
        where it is.
    type: str
    choices: [user, system]
    default: system
  settings:
    description:
      - The settings to hold, by their stored names (compared without regard to case), such as C(Host),
        C(Port), C(Schema), C(DESCRIPTION), C(SparkServerType), C(AuthMech), C(UID) or C(SSL);
        C(dravo-spark-config settings) lists them.
      - Values as C(odbc.ini) holds them; a list's value may also be given by its label. C(true) and
        C(false) stand for C(1) and C(0). Passwords are given with I(password).
    type: dict
    default: {}
  password:
    description:
      - The password of the authentication mechanism, stored enciphered as C(EncryptedPWD). It reaches the
        tool on its standard input and is never shown or logged; a password equal to the one stored is
        recognised as unchanged.
    type: str
  exact:
    description:
      - Put every setting that I(settings) does not name back to its default.
    type: bool
    default: false
  executable:
    description:
      - The path of C(dravo-spark-config) on the managed machine.
    type: path
    default: dravo-spark-config
  config_file:
    description:
      - The driver's configuration file (the tool's C(SPARKINI)).
    type: path
  odbc_ini:
    description:
      - The user's C(odbc.ini) to use instead of C(~/.odbc.ini) (unixODBC's C(ODBCINI)).
    type: path
  odbc_sys_ini:
    description:
      - The folder of the system's C(odbc.ini) and C(odbcinst.ini) (unixODBC's C(ODBCSYSINI)).
    type: path
  registry_root:
    description:
      - The directory the tool keeps its registry in (the tool's C(--registry-root)).
    type: path
attributes:
  check_mode:
    description: Reports what would change, and writes nothing.
    support: full
  diff_mode:
    description: Shows each setting changed, before and after; passwords are masked.
    support: full
notes:
  - Supports check mode (nothing is written) and diff mode (each setting changed, before and after,
    passwords masked).
  - A system data source needs root; use C(become).
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

- name: No more test data source
  dravo.spark_odbc.data_source:
    name: Test
    state: absent
  become: true
"""

RETURN = r"""
changed:
  description: Whether the data source was changed, made or removed (in check mode, would be).
  returned: always
  type: bool
location:
  description: The file and section of the data source, for example C(/etc/odbc.ini [Reports]).
  returned: always
  type: str
settings:
  description:
    - Each setting named or changed, with its value before and after (null when not stored); passwords
      are masked.
  returned: always
  type: dict
  sample: {"Host": {"before": null, "after": "spark.example.com"}}
notes:
  description: Stored values the dialog shows differently, which the save changed to what it shows.
  returned: always
  type: list
  elements: dict
msg:
  description: The tool's refusal or error, when the task failed.
  returned: failure
  type: str
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.dravo.spark_odbc.plugins.module_utils.config_tool import (
    result_of,
    run_tool,
    write_settings_file,
)


def main():
    module = AnsibleModule(
        argument_spec=dict(
            name=dict(type="str", required=True),
            state=dict(type="str", choices=["present", "absent"], default="present"),
            scope=dict(type="str", choices=["user", "system"], default="system"),
            settings=dict(type="dict", default={}),
            password=dict(type="str", no_log=True),
            exact=dict(type="bool", default=False),
            executable=dict(type="path", default="dravo-spark-config"),
            config_file=dict(type="path"),
            odbc_ini=dict(type="path"),
            odbc_sys_ini=dict(type="path"),
            registry_root=dict(type="path"),
        ),
        supports_check_mode=True,
    )
    name = module.params["name"]
    if module.params["state"] == "absent":
        answer = run_tool(module, ["remove", "--dsn", name])
    else:
        path = write_settings_file(module, name, module.params["settings"])
        arguments = ["apply", path, "--dsn", name, "--" + module.params["scope"]]
        if module.params["exact"]:
            arguments.append("--exact")
        answer = run_tool(module, arguments, password=module.params["password"])
    module.exit_json(**result_of(module, answer))


if __name__ == "__main__":
    main()
