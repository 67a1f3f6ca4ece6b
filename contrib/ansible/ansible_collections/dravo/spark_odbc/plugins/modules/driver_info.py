#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 Dravo. All rights reserved; see the collection's LICENSE.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: driver_info
short_description: Read the driver-wide settings of the Dravo Spark ODBC Driver
description:
  - Returns the driver-wide settings as stored, passwords masked, and the stored values the
    configuration dialog shows differently or would refuse, through C(dravo-spark-config get --json)
    and C(dravo-spark-config check --json). Changes nothing.
version_added: "1.2.0"
author:
  - Dravo (@dravo)
extends_documentation_fragment:
  - dravo.spark_odbc.tool
  - dravo.spark_odbc.tool.SECRETS
attributes:
  check_mode:
    description: Reads only; runs alike in check mode.
    support: full
  diff_mode:
    description: Nothing changes, so there is no diff.
    support: none
  platform:
    description: Linux and other POSIX systems with the driver's package.
    support: full
    platforms: posix
seealso:
  - module: dravo.spark_odbc.driver
"""

EXAMPLES = r"""
- name: What the driver holds
  dravo.spark_odbc.driver_info:
  register: driver

- name: Stop where a stored value would be changed by the next save
  ansible.builtin.assert:
    that: driver.findings | length == 0
"""

RETURN = r"""
location:
  description: Where the settings are kept.
  returned: always
  type: str
  sample: /etc/vezuravuz.ini [Driver]
settings:
  description: Each stored setting and its value; passwords and I(secret_settings) are masked.
  returned: always
  type: dict
  sample: {"AuthMech": "3", "EncryptedPWD": "********", "UID": "svc_reports"}
findings:
  description:
    - Stored values the dialog shows differently or would refuse (the tool's C(check)), each with its
      C(place), C(name), C(stored) value (masked for a password), the value C(shown) and the C(reason).
  returned: always
  type: list
  elements: dict
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.dravo.spark_odbc.plugins.module_utils.config_tool import TOOL_OPTIONS, Tool, masked_values


def main():
    module = AnsibleModule(
        argument_spec=dict(TOOL_OPTIONS, secret_settings=dict(type="list", elements="str", default=[], no_log=False)),
        supports_check_mode=True)
    tool = Tool(module)
    settings = tool.run(["get"])
    checked = tool.run(["check"], allowed=(0, 65), what="notes")
    module.exit_json(changed=False, location=checked.get("location", ""), settings=masked_values(module, settings),
                     findings=checked["notes"])


if __name__ == "__main__":
    main()
