select * from orders
where customer_id = <%cust|Long|42%>
  and placed >= <%since|Date|2024-01-31%>
  and status in (<%state|String|open%>, 'closed')
